// Line reversal (by user-perceived characters) and the character / line /
// byte count shown in the status line.
#pragma once

#include "core/result.h"
#include "core/text_codec.h"

#include <cstdint>
#include <optional>
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
    bool strayBytes = false;  // bytes that are no UTF-8, each counted as a character of one byte
};

Counts countText(std::string_view text);
// The same over `size` bytes read a piece at a time; nullopt (and `error`) when a read fails.
std::optional<Counts> countRead(std::size_t size, const ReadAt& read, int& error);
// "1,234文字，2行，5バイト"
std::string countStatus(const Counts& counts);
// "##,##0": thousands grouped by commas, at least one digit.
std::string formatCount(std::int64_t n);

}  // namespace kk::convert
