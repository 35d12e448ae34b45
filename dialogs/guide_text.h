// The guide window's fixed text, 27 lines joined by CR LF.
#pragma once

#include <string>

namespace kk::dialogs {

std::string guideText();

}  // namespace kk::dialogs
