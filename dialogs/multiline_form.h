// The helper window "複数行置換補助画面": two plain-text boxes, OK builds the
// replace command and hands it over, Cancel closes. Modeless; closing
// discards it.
#pragma once

#include <QWidget>

#include <functional>
#include <string_view>

class QPlainTextEdit;

namespace kk::dialogs {

class MultiLineForm final : public QWidget {
    Q_OBJECT
public:
    explicit MultiLineForm(QWidget* parent = nullptr);

    QPlainTextEdit* KensakuBox = nullptr;  // search text
    QPlainTextEdit* ChikanBox = nullptr;   // replacement text
    // The working text's own line end when OK is pressed (LF when not set).
    std::function<std::string_view()> workingLineEnd;

public slots:
    void okCmd_Click();
    void canselCmd_Click();

signals:
    void commandBuilt(const QString& command);
};

}  // namespace kk::dialogs
