// Choosing a favourite: the entry without the 【…】 comments at its ends.
#pragma once

#include "core/result.h"

#include <string_view>

namespace kk::lists {

// A trailing comment goes first, then a leading one, each with the spaces
// beside it; a bracketed run inside the command stays.
Text stripFavouriteComments(std::string_view entry);

}  // namespace kk::lists
