// Message boxes with QMessageBox, titled with the program's title by default.
#pragma once

#include "platform/ports.h"

#include <string>

class QWidget;

namespace kk {

class QtPrompt final : public Prompt {
public:
    // `programTitle` titles a box that is given no title of its own.
    explicit QtPrompt(std::string programTitle, QWidget* parent = nullptr)
        : programTitle_(std::move(programTitle)), parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    Answer ask(const std::string& text, const std::string& title, Icon icon, Buttons buttons) override;

private:
    std::string programTitle_;
    QWidget* parent_;
};

}  // namespace kk
