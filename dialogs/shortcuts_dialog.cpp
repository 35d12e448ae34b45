// A table of key, target and source, with keys for every button.
#include "dialogs/shortcuts_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kk::dialogs {

namespace {
enum Column { Key, Target, Primary };
}  // namespace

QString ShortcutsDialog::commandLineTarget() { return QString::fromUtf8("(コマンド欄のコマンド)"); }

ShortcutsDialog::ShortcutsDialog(const std::vector<ShortcutEntry>& entries, const QStringList& targets,
                                 const QString& howItWorks, QWidget* parent)
    : QDialog(parent), table_(new QTableWidget(0, 3, this)), targets_(QStringList{commandLineTarget()} + targets) {
    setWindowTitle(QString::fromUtf8("ショートカット"));
    setObjectName("ShortcutsDialog");
    table_->setObjectName("shortcutTable");
    table_->setHorizontalHeaderLabels(
        {QString::fromUtf8("キー"), QString::fromUtf8("実行するもの"), QString::fromUtf8("選択範囲から")});
    table_->horizontalHeader()->setSectionResizeMode(Target, QHeaderView::Stretch);
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setAccessibleName(QString::fromUtf8("ショートカットの一覧"));
    for (const auto& e : entries) addRow(e);

    auto* add = new QPushButton(QString::fromUtf8("追加(&A)"), this);
    auto* remove = new QPushButton(QString::fromUtf8("削除(&D)"), this);
    connect(add, &QPushButton::clicked, this, [this] {
        addRow({});
        table_->setCurrentCell(table_->rowCount() - 1, Key);
        table_->cellWidget(table_->rowCount() - 1, Key)->setFocus();
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (table_->currentRow() >= 0) table_->removeRow(table_->currentRow());
    });
    auto* rowButtons = new QHBoxLayout;
    rowButtons->addWidget(add);
    rowButtons->addWidget(remove);
    rowButtons->addStretch();

    auto* how = new QLabel(howItWorks, this);
    how->setObjectName("shortcutHow");
    how->setWordWrap(true);
    how->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    extraButtons_ = new QHBoxLayout;
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addLayout(rowButtons);
    layout->addWidget(how);
    layout->addLayout(extraButtons_);
    layout->addWidget(buttons);
    resize(560, 340);
}

void ShortcutsDialog::addButton(const QString& caption,
                                std::function<void(const std::vector<ShortcutEntry>&)> act) {
    auto* button = new QPushButton(caption, this);
    connect(button, &QPushButton::clicked, this, [this, act = std::move(act)] { act(entries()); });
    extraButtons_->addWidget(button);
}

void ShortcutsDialog::addRow(const ShortcutEntry& entry) {
    const int row = table_->rowCount();
    table_->insertRow(row);
    auto* key = new QKeySequenceEdit(entry.key, table_);
    // One key combination: a global key is no sequence. Recording stops at the first.
    connect(key, &QKeySequenceEdit::keySequenceChanged, key, [key](const QKeySequence& k) {
        if (k.count() > 1) key->setKeySequence(QKeySequence(k[0]));
    });
    key->setAccessibleName(QString::fromUtf8("キー"));
    table_->setCellWidget(row, Key, key);
    auto* target = new QComboBox(table_);
    target->setEditable(true);
    target->addItems(targets_);
    target->setCurrentText(entry.target.isEmpty() ? commandLineTarget() : entry.target);
    target->setAccessibleName(QString::fromUtf8("実行するもの"));
    table_->setCellWidget(row, Target, target);
    auto* primary = new QCheckBox(table_);
    primary->setChecked(entry.primary);
    primary->setAccessibleName(QString::fromUtf8("選択範囲から"));
    table_->setCellWidget(row, Primary, primary);
}

std::vector<ShortcutEntry> ShortcutsDialog::entries() const {
    std::vector<ShortcutEntry> out;
    for (int row = 0; row < table_->rowCount(); ++row) {
        const QKeySequence key = static_cast<QKeySequenceEdit*>(table_->cellWidget(row, Key))->keySequence();
        if (key.isEmpty()) continue;
        const QString target = static_cast<QComboBox*>(table_->cellWidget(row, Target))->currentText().trimmed();
        out.push_back({key, target == commandLineTarget() ? QString() : target,
                       static_cast<QCheckBox*>(table_->cellWidget(row, Primary))->isChecked()});
    }
    return out;
}

}  // namespace kk::dialogs
