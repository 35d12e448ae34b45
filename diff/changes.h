// What changed between a text and its result, as byte spans in both: the
// preview and the highlights after a run show the `to` spans in the result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kk::diff {

struct Change {
    std::size_t from = 0, fromLength = 0;  // in the text before
    std::size_t to = 0, toLength = 0;      // in the text after
};
using ChangeMap = std::vector<Change>;  // in text order

// What an operation tells besides its result: the places it changed and how
// many there were (replacements made, lines kept).
struct Report {
    ChangeMap changes;
    std::int64_t count = 0;
};

}  // namespace kk::diff
