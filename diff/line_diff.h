// Differences of two whole texts: by lines (a well-kept diff library does the
// alignment), with the differing middle of each changed line pair; and the
// unified form (as `diff -u`) for kakikae-cli --diff.
#pragma once

#include "diff/changes.h"

#include <string>
#include <string_view>

namespace kk::diff {

// Past this many lines between the common start and end of the two texts
// the full alignment is not tried (a fully changed big text would cost more
// than the run): a greedy walk with a short look-ahead stands in for it.
inline constexpr std::size_t kMaxAlignedLines = 20'000;

ChangeMap lineChanges(std::string_view before, std::string_view after);

// `diff -u` of the two texts with three lines of context, or the empty text
// when they are the same. With `color`, ANSI colours for a terminal.
std::string unifiedDiff(std::string_view before, std::string_view after, std::string_view fromLabel,
                        std::string_view toLabel, bool color);

}  // namespace kk::diff
