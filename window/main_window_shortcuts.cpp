// Keys for the whole desktop: kakikae --run from another process, and the
// keys of Option → ショートカット, which the window grabs where X11 lets it.
#include "window/main_window.h"
#include "platform/desktop_notification.h"
#include "texts/texts.h"
#include "window/ui_text.h"

#include <QSettings>
#include <QStatusBar>

namespace kk {

MainWindow::~MainWindow() = default;

bool MainWindow::runShortcut(const QString& name, bool primary) {
    if (clipboardNeedsFocus()) return false;
    forward([this, name = name.toStdString(), primary] {
        state_.runShortcut(name, primary, [name](const Outcome& o) {
            const std::string title = name.empty() ? "kakikae" : "kakikae: " + name;
            notifyDesktop(o.ok() ? title : texts::text(texts::Msg::CliFailedTitle), o.message, !o.ok());
        });
    });
    return true;
}

void MainWindow::loadShortcuts() {
    QSettings settings;
    const int n = settings.beginReadArray("shortcuts");
    shortcuts_.clear();
    for (int i = 0; i < n; ++i) {
        settings.setArrayIndex(i);
        dialogs::ShortcutEntry e{QKeySequence(settings.value("key").toString(), QKeySequence::PortableText),
                                 settings.value("target").toString(), settings.value("primary", false).toBool()};
        if (!e.key.isEmpty()) shortcuts_.push_back(e);
    }
    settings.endArray();
    applyShortcuts();
}

void MainWindow::applyShortcuts() {
    if (!X11HotKeys::available()) return;
    if (!hotKeys_) hotKeys_ = std::make_unique<X11HotKeys>([this](int index) {
        if (index < 0 || static_cast<std::size_t>(index) >= shortcuts_.size()) return;
        const dialogs::ShortcutEntry e = shortcuts_[static_cast<std::size_t>(index)];
        runShortcut(e.target, e.primary);
    });
    std::vector<QKeyCombination> keys;
    for (const auto& e : shortcuts_) keys.push_back(e.key[0]);
    const std::vector<bool> ours = hotKeys_->setKeys(keys);
    QStringList taken;
    for (std::size_t i = 0; i < ours.size(); ++i)
        if (!ours[i]) taken << shortcuts_[i].key.toString(QKeySequence::NativeText);
    if (!taken.isEmpty())
        statusBar_->showMessage(qs("このキーは使えません（他のプログラムが使っているか、修飾キーがありません）: ") +
                                taken.join(", "));
}

QString MainWindow::shortcutHowItWorks() const {
    // The exact commands to bind where the desktop's own settings must do it.
    QString commands;
    for (const auto& e : shortcuts_) {
        if (e.target.isEmpty()) continue;
        commands += "\n  " + e.key.toString(QKeySequence::NativeText) + ":  kakikae --run '" + e.target + "'" +
                    (e.primary ? " --primary" : "");
    }
    if (X11HotKeys::available())
        return qs("窓が開いている間、これらのキーはデスクトップのどこでも働き、結果を通知で知らせます。"
                  "窓を閉じていても使うには、デスクトップのキーボード設定でキーに次のコマンドを割り当てます。") +
               commands;
    return qs("この環境では、アプリからデスクトップ全体のキーを登録できません。デスクトップのキーボード設定"
              "（GNOME: 設定 → キーボード → カスタムショートカット、KDE: システム設定 → ショートカット）で、"
              "キーに次のコマンドを割り当ててください（選択範囲からは --primary を付けます）。") +
           commands;
}

void MainWindow::MenuShortcuts_Click() {
    QStringList targets;
    for (const std::string& name : state_.shortcutNames()) targets << QString::fromStdString(name);
    dialogs::ShortcutsDialog dialog(shortcuts_, targets, shortcutHowItWorks(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    shortcuts_ = dialog.entries();
    QSettings settings;
    settings.beginWriteArray("shortcuts", static_cast<int>(shortcuts_.size()));
    for (std::size_t i = 0; i < shortcuts_.size(); ++i) {
        settings.setArrayIndex(static_cast<int>(i));
        settings.setValue("key", shortcuts_[i].key.toString(QKeySequence::PortableText));
        settings.setValue("target", shortcuts_[i].target);
        settings.setValue("primary", shortcuts_[i].primary);
    }
    settings.endArray();
    applyShortcuts();
}

}  // namespace kk
