// On X11 the clipboard's text lives in the process that set it. Before we
// exit, a small holder process (kakikae-cli --hold-clipboard) takes the text
// over and serves it until another program takes the clipboard.
#pragma once

#include <csignal>
#include <cstdint>
#include <string>

namespace kk {

// Starts the holder with `text` and waits (a few seconds at most) until it
// owns the clipboard. False when it could not be started or did not take
// it. `since`: the server time the current owner (ours) took it at; the
// holder then takes it only if nobody has taken it since.
bool handClipboardToHolder(const std::string& holderExecutable, const std::string& text, std::uint32_t since = 0);

// Shared by the two ways a holder comes to be (spawned, or a forked copy of
// us): the signals it starts with at their defaults, and the wait (10 s at
// most) for the "ok" it sends on `fd` once it owns the clipboard.
inline constexpr int kHolderDefaultSignals[] = {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGCHLD};
bool holderSaidOk(int fd);

// The holder's own main loop: gets ready to own the clipboard, reads the text
// from standard input (after a "T", or an "S" and the 4-byte time to take it
// over at: a starter that stopped before handing it over sends nothing),
// takes the clipboard with those bytes (no toolkit), ends the holder before
// it (one per display and user), says "ok" on standard output, and runs
// until it loses the clipboard.
int runClipboardHolder(int argc, char** argv);

// True when this process owns the clipboard (nothing to hand over otherwise).
bool ownsClipboardText(std::string* text);

}  // namespace kk
