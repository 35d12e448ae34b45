// Line reversal (by user-perceived characters) and the character / line /
// byte count shown in the status line.
#pragma once

#include "core/result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kk::convert {

// Reverses every line's body; each keeps its line end (LF or CR LF), a lone
// CR is a character of its line.
// Grapheme clusters stay whole.
Text xrev(std::string_view text);
// One line reversed by ICU's cluster boundaries alone (what xrev's quicker
// paths must agree with).
Text reverseLineByClusters(std::string_view line);

struct Counts {
    std::int64_t characters = 0;  // code points, line ends (LF or CR LF) not counted
    std::int64_t lines = 0;
    std::int64_t bytes = 0;  // CP932 length, a line end as CR LF (UTF-8 length for what CP932 lacks)
};

Counts countText(std::string_view text);
// "1,234文字，2行，5バイト"
std::string countStatus(const Counts& counts);
// "##,##0": thousands grouped by commas, at least one digit.
std::string formatCount(std::int64_t n);

}  // namespace kk::convert
