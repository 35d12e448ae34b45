// The X11 clipboard for a program without a window (the command line, as a
// desktop key runs it): read over a connection of our own, written by
// handing the text straight to the keeper that serves it after we exit. No
// toolkit is started, so the run costs about what its work costs.
#pragma once

#include "platform/ports.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>

namespace kk {

class X11Link;

class X11KeeperClipboard final : public Clipboard {
public:
    // Over a connection of its own, kept for its reads; `keeper`: the keeper
    // program to hand written texts to. Null when no display answers.
    static std::unique_ptr<X11KeeperClipboard> connect(std::string keeper);
    ~X11KeeperClipboard() override;
    std::optional<std::string> readText() override;
    std::optional<TextMaker> snapshotText() override;
    bool holdsText() override { return holdsText_; }
    bool readFrom(Source source) override {
        primary_ = source == Source::Primary;
        return true;
    }
    // A copy of this process (forked, no new program) owns the clipboard
    // over our connection at once, so we may exit as soon as it does; it
    // hands the text on to the keeper after that. Without the copy, the
    // keeper is handed the text directly.
    bool writeText(const std::string& utf8) override;
    void setTimeout(int ms) { timeoutMs_ = ms; }

private:
    X11KeeperClipboard(std::unique_ptr<X11Link> link, std::string keeper);
    std::unique_ptr<X11Link> link_;
    std::string keeper_;
    pid_t copy_ = -1;  // the forked copy, reaped when it is done
    std::atomic<bool> holdsText_{true};
    std::atomic<bool> primary_{false};
    int timeoutMs_ = 5000;
};

// The keeper program: the small one among the helpers when it is there,
// else the command line's own --hold-clipboard.
std::string keeperProgram(const std::string& helperDir, const std::string& commandLineTool);

}  // namespace kk
