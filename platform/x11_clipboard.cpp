#include "platform/x11_clipboard.h"

#include "platform/clipboard_keeper.h"
#include "platform/x11_selection.h"

#include <xcb/xcb.h>

#include <unistd.h>

#include <stdexcept>

namespace kk {

std::optional<std::string> X11KeeperClipboard::readText() {
    try {
        return (*snapshotText())();
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
}

std::optional<Clipboard::TextMaker> X11KeeperClipboard::snapshotText() {
    return [this] {
        bool holds = true;
        std::string text = readX11TextOrThrow(timeoutMs_, primary_, holds);
        holdsText_ = holds;
        return text;
    };
}

bool X11KeeperClipboard::writeText(const std::string& utf8) { return handClipboardToHolder(keeper_, utf8); }

bool x11DisplayReachable() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool ok = c && !xcb_connection_has_error(c);
    if (c) xcb_disconnect(c);
    return ok;
}

std::string keeperProgram(const std::string& helperDir, const std::string& commandLineTool) {
    const std::string small = helperDir + "/kakikae-keeper";
    return ::access(small.c_str(), X_OK) == 0 ? small : commandLineTool;
}

}  // namespace kk
