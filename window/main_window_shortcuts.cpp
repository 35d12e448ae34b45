// Keys for the whole desktop: kakikae --run from another process, and the
// keys of Option → ショートカット, which the window grabs where X11 lets it.
#include "window/main_window.h"
#include "platform/desktop_bindings.h"
#include "platform/desktop_notification.h"
#include "texts/texts.h"
#include "window/ui_text.h"

#include <QMessageBox>
#include <QSettings>
#include <QStatusBar>

namespace kk {

MainWindow::~MainWindow() = default;

namespace {

// The keys with a name, as the desktop binds them.
std::vector<DesktopBinding> bindingsOf(const std::vector<dialogs::ShortcutEntry>& entries) {
    std::vector<DesktopBinding> out;
    for (const auto& e : entries)
        if (!e.target.isEmpty()) out.push_back({e.target.toStdString(), e.primary, e.key[0]});
    return out;
}

}  // namespace

bool MainWindow::runShortcut(const QString& name, bool primary) {
    if (clipboardNeedsFocus()) return false;
    forward([this, name = name.toStdString(), primary] {
        state_.runShortcut(name, primary, [name](const Outcome& o) {
            notifyDesktop(o.ok() ? runTitle(name) : texts::text(texts::Msg::CliFailedTitle), o.message, !o.ok());
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

bool MainWindow::usesPortal() {
    if (!portalAsked_) {
        portalAsked_ = true;
        portalOffered_ = PortalShortcuts::available();
    }
    return portalOffered_;
}

// The id the portal remembers a key by: the same target keeps it across starts.
static QString portalId(const dialogs::ShortcutEntry& e) {
    return "run:" + e.target + (e.primary ? ":primary" : "");
}

void MainWindow::applyShortcuts() {
    // The desktop's portal first (it owns the keys, on Wayland too), else an X11 grab.
    if (!shortcuts_.empty() && usesPortal()) {
        if (!portal_) portal_ = std::make_unique<PortalShortcuts>([this](const QString& id) {
            for (const auto& e : shortcuts_)
                if (portalId(e) == id) return void(runShortcut(e.target, e.primary));
        });
        std::vector<PortalShortcuts::Shortcut> wanted;
        for (const auto& e : shortcuts_)
            wanted.push_back({portalId(e), e.target.isEmpty() ? qs("コマンド欄のコマンドで一撃") : "kakikae: " + e.target,
                              e.key[0]});
        portal_->bind(std::move(wanted), [this](bool ok, const std::string& why) {
            if (!ok) statusBar_->showMessage(qs("デスクトップがショートカットを受け付けませんでした: ") + qs(why));
        });
        return;
    }
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

QString MainWindow::shortcutHowItWorks() {
    // The exact commands to bind where the desktop's own settings must do it.
    QString commands;
    for (const auto& e : shortcuts_) {
        if (e.target.isEmpty()) continue;
        commands += "\n  " + e.key.toString(QKeySequence::NativeText) + ":  kakikae --run '" + e.target + "'" +
                    (e.primary ? " --primary" : "");
    }
    if (usesPortal())
        return qs("キーはデスクトップ（ポータル）に登録します。デスクトップが確認を求めたり、別のキーを選んだり"
                  "することがあります。窓が開いている間、デスクトップのどこでも働き、結果を通知で知らせます。"
                  "窓を閉じていても使うには、デスクトップのキーボード設定でキーに次のコマンドを割り当てます。") +
               commands;
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
    // GNOME binds keys itself (the only way there on Wayland): written after asking.
    if (qEnvironmentVariable("XDG_CURRENT_DESKTOP").contains("GNOME", Qt::CaseInsensitive)) {
        dialog.addButton(qs("GNOME のキーボード設定に登録(&G)..."), [&dialog](const auto& entries) {
            if (QMessageBox::question(&dialog, qs("ショートカット"),
                                      qs("これらのキーを GNOME のカスタムショートカットとして登録します。"
                                         "kakikae が前に登録したものは置き換わり、ほかのものはそのままです。")) !=
                QMessageBox::Yes)
                return;
            std::string why;
            if (writeGnomeBindings(bindingsOf(entries), &why))
                QMessageBox::information(&dialog, qs("ショートカット"), qs("GNOME に登録しました。"));
            else
                QMessageBox::warning(&dialog, qs("ショートカット"), qs("登録できませんでした: ") + qs(why));
        });
    }
    if (dialog.exec() != QDialog::Accepted) return;
    shortcuts_ = dialog.entries();
    // The desktop entry's actions follow the named keys, for launchers and
    // KDE's shortcut settings.
    if (std::string why; !writeDesktopEntryActions(bindingsOf(shortcuts_), &why))
        statusBar_->showMessage(qs("メニューの項目を更新できませんでした: ") + qs(why));
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
