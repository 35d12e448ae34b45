// Choosing a favourite: the entry without the 【…】 comments at its ends.
#pragma once

#include "platform/result.h"

#include <string_view>

namespace kk::lists {

// A trailing comment goes first (through the reversed entry), then a leading
// one; a bracketed run inside the command stays. When the engine fails, the
// entry comes back as it stands.
Text stripFavouriteComments(std::string_view entry);

}  // namespace kk::lists
