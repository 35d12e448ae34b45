// What the window's files share to turn the model's UTF-8 into Qt's text.
#pragma once

#include <QString>

#include <string>

namespace kk {

inline QString qs(const std::string& s) { return QString::fromStdString(s); }
inline QString qs(const char* s) { return QString::fromUtf8(s); }

// The text box's accessible name; a changed text adds its mark to it.
inline constexpr const char* kTextBoxName = "作業欄";

}  // namespace kk
