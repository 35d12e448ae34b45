// The X11 clipboard for a program without a window (the command line, as a
// desktop key runs it): read over a connection of our own, written by
// handing the text straight to the keeper that serves it after we exit. No
// toolkit is started, so the run costs about what its work costs.
#pragma once

#include "platform/ports.h"

#include <atomic>
#include <string>

namespace kk {

class X11KeeperClipboard final : public Clipboard {
public:
    // `keeper`: the keeper program to hand written texts to.
    explicit X11KeeperClipboard(std::string keeper) : keeper_(std::move(keeper)) {}
    std::optional<std::string> readText() override;
    std::optional<TextMaker> snapshotText() override;
    bool holdsText() override { return holdsText_; }
    bool readFrom(Source source) override {
        primary_ = source == Source::Primary;
        return true;
    }
    bool writeText(const std::string& utf8) override;
    void setTimeout(int ms) { timeoutMs_ = ms; }

private:
    std::string keeper_;
    std::atomic<bool> holdsText_{true};
    std::atomic<bool> primary_{false};
    int timeoutMs_ = 5000;
};

// Whether an X display can be reached at all.
bool x11DisplayReachable();

// The keeper program: the small one among the helpers when it is there,
// else the command line's own --hold-clipboard.
std::string keeperProgram(const std::string& helperDir, const std::string& commandLineTool);

}  // namespace kk
