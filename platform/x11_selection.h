// Reads the X11 clipboard's text on any thread, over a connection of its own:
// Qt's clipboard waits for the transfer on the UI thread and hands the text
// over only as UTF-16, which for a big text freezes the window and costs two
// conversions. This takes the UTF8_STRING target's bytes as they come.
#pragma once

#include "platform/x11_link.h"

#include <optional>
#include <string>

namespace kk {

struct X11Read {
    enum class Status {
        Text,       // `text` holds it (UTF-8; Latin-1 STRING converted)
        NoText,     // an owner with no text target (an image), or no owner at all
        Silent,     // the owner did not answer within the time limit
        NoDisplay,  // no X display to reach
    } status = Status::NoDisplay;
    std::string text;
};
// The clipboard's text (or with `primary` the PRIMARY selection's), with a
// time limit on the owner (5 s by default); over `link` when given, else
// over a connection of its own.
X11Read readX11ClipboardText(int timeoutMs = 5000, bool primary = false, X11Link* link = nullptr);
// The same as a text: `holdsText` false (and an empty text) for an owner
// with no text or none at all; an owner that does not answer, or no
// display, throws std::runtime_error with the user's message.
std::string readX11TextOrThrow(int timeoutMs, bool primary, bool& holdsText, X11Link* link = nullptr);

}  // namespace kk
