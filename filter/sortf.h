// The line sorter behind the sort menus' "sortf" filter: numeric order by
// each line's leading number, reverse, stable, leading blanks ignored, and
// Japanese dictionary order (ICU's "ja" collator).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kk::filter {

struct SortOptions {
    bool numeric = false;       // -n
    bool reverse = false;       // -r
    bool stable = false;        // -s: equal keys keep their input order
    bool ignoreBlanks = false;  // -b
    bool japanese = false;      // -J
};

// Parses the option words; false with a message for an unknown one.
bool parseSortOptions(const std::vector<std::string>& words, SortOptions& options, std::string& error);

// The lines of `text` (LF ends a line; a last line without one gains it) in
// sorted order, each ending in LF.
std::string sortText(std::string_view text, const SortOptions& options);

}  // namespace kk::filter
