// Option → ショートカット: keys that run a favourite, a recipe or the command
// line as it stands on the clipboard, anywhere on the desktop while the
// window runs. The dialog only edits the list; the window grabs the keys.
#pragma once

#include <QDialog>
#include <QKeySequence>
#include <QString>

#include <functional>
#include <vector>

class QHBoxLayout;
class QTableWidget;

namespace kk::dialogs {

struct ShortcutEntry {
    QKeySequence key;
    QString target;        // a recipe's or favourite's name; empty: the command line as it stands
    bool primary = false;  // read the selection instead of the clipboard
    bool operator==(const ShortcutEntry&) const = default;
};

class ShortcutsDialog final : public QDialog {
public:
    // `targets`: the names to offer; `howItWorks`: what a key does in this
    // session, or what to do instead where the desktop takes no keys from us.
    ShortcutsDialog(const std::vector<ShortcutEntry>& entries, const QStringList& targets, const QString& howItWorks,
                    QWidget* parent = nullptr);
    // The rows with a key, as the table holds them.
    std::vector<ShortcutEntry> entries() const;
    // What the target column shows for "the command line as it stands".
    static QString commandLineTarget();
    // A button under the table that hands the rows as they stand to `act`.
    void addButton(const QString& caption, std::function<void(const std::vector<ShortcutEntry>&)> act);

private:
    void addRow(const ShortcutEntry& entry);
    QTableWidget* table_;
    QStringList targets_;
    QHBoxLayout* extraButtons_;
};

}  // namespace kk::dialogs
