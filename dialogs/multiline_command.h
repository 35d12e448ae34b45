// The multi-line helper's command: search and replacement typed as plain
// text, metacharacters escaped, each line break written as the escape of the
// working text's own line end ("\n", or "\r\n" for a CR LF text).
#pragma once

#include "core/result.h"

#include <string_view>

namespace kk::dialogs {

// "s/" + search part + "/" + replacement part + "/gk"; an empty box gives an
// empty part.
Text buildMultiLineCommand(std::string_view search, std::string_view replacement,
                           std::string_view lineEnd = "\n");

}  // namespace kk::dialogs
