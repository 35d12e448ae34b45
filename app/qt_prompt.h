// Message boxes with QMessageBox, titled with the program's title by default.
#pragma once

#include "platform/ports.h"

class QWidget;

namespace kk {

class QtPrompt final : public Prompt {
public:
    explicit QtPrompt(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    Answer ask(const std::string& text, const std::string& title, Icon icon, Buttons buttons) override;

private:
    QWidget* parent_;
};

}  // namespace kk
