// Reads the X11 clipboard's text on any thread, over a connection of its own:
// Qt's clipboard waits for the transfer on the UI thread and hands the text
// over only as UTF-16, which for a big text freezes the window and costs two
// conversions. This takes the UTF8_STRING target's bytes as they come.
#pragma once

#include <optional>
#include <string>

namespace kk {

// The clipboard's text as UTF-8 (Latin-1 STRING converted), or nullopt when
// the display, the owner or a text target did not answer within the timeout.
std::optional<std::string> readX11ClipboardText(int timeoutMs = 10000);

}  // namespace kk
