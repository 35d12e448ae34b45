// The helper window "複数行置換補助画面": two plain-text boxes, OK builds the
// replace command and hands it over, Cancel closes. Modeless; closing
// discards it.
#pragma once

#include <QWidget>

class QPlainTextEdit;

namespace kk::dialogs {

class MultiLineForm final : public QWidget {
    Q_OBJECT
public:
    explicit MultiLineForm(QWidget* parent = nullptr);

    QPlainTextEdit* KensakuBox = nullptr;  // search text
    QPlainTextEdit* ChikanBox = nullptr;   // replacement text

public slots:
    void okCmd_Click();
    void canselCmd_Click();

signals:
    void commandBuilt(const QString& command);
};

}  // namespace kk::dialogs
