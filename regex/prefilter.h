// What a byte search can decide before the regex machine runs: a literal
// that every match must hold, and whether every match stays within one line.
// A text without the literal then costs one vectorised scan, and the machine
// runs only on the lines that hold it (as grep does with inner literals).
#pragma once

#include "regex/command.h"

#include <optional>
#include <string>
#include <string_view>

namespace kk::regex {

struct Prefilter {
    std::string literal;     // every match holds these bytes
    bool lineLocal = false;  // no match holds or looks at a line end (LF)
};

// Nothing when the pattern is beyond this conservative reading (a top-level
// alternation, inline options, /x, a case-insensitive letter, ...).
std::optional<Prefilter> analysePattern(std::string_view pattern, const Options& options);

// The next occurrence of `needle` in `text` at or after `from`, or npos.
std::size_t findLiteral(std::string_view text, std::string_view needle, std::size_t from);

}  // namespace kk::regex
