// Text bound for CP932 (Shift_JIS as Windows has it) software: the
// characters CP932 cannot hold, marked where they stand or replaced by their
// usual CP932 counterparts.
#pragma once

#include "core/result.h"

#include <string_view>

namespace kk::convert {

// Whether CP932 (windows-31j) holds the character.
bool inCp932(char32_t c);
// Each character CP932 cannot hold, marked as 〔〜 U+301C〕.
Text markNonCp932(std::string_view text);
// 〜→～, −→－, ‖→∥, —→―, ¢→￠, £→￡, ¬→￢, ¦→￤; what has no counterpart stays.
Text toCp932Safe(std::string_view text);

}  // namespace kk::convert
