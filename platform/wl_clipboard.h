// The clipboard of a Wayland session without a window of our own. A
// compositor offers the clipboard only to the focused client, so a headless
// program goes through wl-clipboard's wl-paste and wl-copy; wl-copy also
// keeps serving the text after we exit.
#pragma once

#include "platform/ports.h"

#include <string>
#include <string_view>
#include <vector>

namespace kk {

// Whether this process runs in a Wayland session: WAYLAND_DISPLAY names a
// socket that is there.
bool inWaylandSession();

class WlClipboard final : public Clipboard {
public:
    // Empty when both wl-paste and wl-copy are on PATH; else what is missing.
    static std::string missingTools();
    std::optional<std::string> readText() override;
    bool holdsText() override { return holdsText_; }
    bool writeText(const std::string& utf8) override;
    std::string failureReason() const override { return failure_; }
    // How long the clipboard's source may take to send its text.
    void setTimeout(int ms) { timeoutMs_ = ms; }
    // PRIMARY through wl-paste --primary: a compositor without it is told at
    // the read, in wl-paste's words.
    bool readFrom(Source source) override {
        primary_ = source == Source::Primary;
        return true;
    }

private:
    bool holdsText_ = true;
    std::string failure_;
    int timeoutMs_ = 5000;
    bool primary_ = false;
};

// Of the types a clipboard offers, the one to read its text as (UTF-8
// first); empty when none is text.
std::string pickTextType(const std::vector<std::string>& offered);

struct ChildRun {
    bool started = false;
    bool timedOut = false;  // ended by us at the time limit
    int exitCode = -1;      // -1: ended by a signal
    std::string output, errorOutput;
};
// Runs a program (no shell) with `input` on its standard input and waits for
// it, `timeoutMs` at most (-1: no limit); its output and error output are
// collected when `collectOutput`, else they go to /dev/null, so a child that
// stays in the background holding them open (wl-copy) does not keep us waiting.
ChildRun runChild(const std::vector<std::string>& argv, std::string_view input, bool collectOutput,
                  int timeoutMs = -1);

}  // namespace kk
