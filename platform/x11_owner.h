// Owns the X11 clipboard with the text's exact bytes, on a thread and a
// connection of its own: Qt's clipboard takes a QString, which turns bytes
// that are no UTF-8 into U+FFFD. Offers UTF8_STRING (the bytes as they are),
// STRING where the text is Latin-1, TARGETS and TIMESTAMP; big texts go in
// parts (INCR).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kk {

class X11Link;

class X11ClipboardOwner {
public:
    // Takes the clipboard with `bytes`; null when there is no display or
    // the server did not give us the clipboard.
    static std::unique_ptr<X11ClipboardOwner> take(std::string bytes);
    // The same in two steps, for a keeper that gets ready before its text
    // comes: the connection and window first (null without a display), the
    // clipboard with `own` (false when the server did not give it; once only).
    static std::unique_ptr<X11ClipboardOwner> prepare();
    // Prepared over a connection we already have.
    static std::unique_ptr<X11ClipboardOwner> prepare(std::unique_ptr<X11Link> link);
    // `since`: take it over from an owner that took it at that server time,
    // and only if nobody has taken it since (0: take it now, whoever has it).
    bool own(std::string bytes, std::uint32_t since = 0);
    // The server time we took it at.
    std::uint32_t time() const;
    ~X11ClipboardOwner();
    X11ClipboardOwner(const X11ClipboardOwner&) = delete;
    X11ClipboardOwner& operator=(const X11ClipboardOwner&) = delete;

    // Whether we still own it (another program taking the clipboard ends that).
    bool owns() const { return owns_.load(); }
    const std::string& text() const { return bytes_; }
    // Blocks until another program takes the clipboard and the parts of a
    // text already going out have been sent.
    void waitUntilLost();

    struct Impl;

private:
    X11ClipboardOwner() = default;
    void serve();
    std::string bytes_;
    std::atomic<bool> owns_{false};
    std::unique_ptr<Impl> impl_;
    std::thread thread_;
};

// This process's current owner of the X11 clipboard (the window's and the
// CLI's copy-back): a new text replaces the one before.
bool setX11ClipboardText(std::string bytes);
// The text this process still owns on the X11 clipboard, if it does.
bool ownsX11ClipboardText(std::string* text);

}  // namespace kk
