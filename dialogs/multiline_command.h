// The multi-line helper's command: search and replacement typed as plain
// text, metacharacters escaped, each line end written as the four characters "\r\n".
#pragma once

#include "platform/result.h"

#include <string_view>

namespace kk::dialogs {

// "s/" + search part + "/" + replacement part + "/gk"; an empty box gives an
// empty part.
Text buildMultiLineCommand(std::string_view search, std::string_view replacement);

}  // namespace kk::dialogs
