// QMessageBox for the Prompt port.
#include "platform/qt_prompt.h"

#include <QMessageBox>

namespace kk {

Prompt::Answer QtPrompt::ask(const std::string& text, const std::string& title, Icon icon, Buttons buttons) {
    QMessageBox box(parent_);
    box.setWindowTitle(QString::fromStdString(title.empty() ? programTitle_ : title));
    box.setText(QString::fromStdString(text));
    switch (icon) {
        case Icon::Error: box.setIcon(QMessageBox::Critical); break;
        case Icon::Exclamation: box.setIcon(QMessageBox::Warning); break;
        case Icon::Information: box.setIcon(QMessageBox::Information); break;
        case Icon::None: break;
    }
    switch (buttons) {
        case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case Buttons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        case QMessageBox::Cancel: return Answer::Cancel;
        default: return Answer::Ok;
    }
}

}  // namespace kk
