#include "platform/x11_clipboard.h"

#include "platform/clipboard_keeper.h"
#include "platform/x11_owner.h"
#include "platform/x11_selection.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <initializer_list>
#include <stdexcept>
#include <vector>

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
        std::string text = readX11TextOrThrow(timeoutMs_, primary_, holds, link_.get());
        holdsText_ = holds;
        return text;
    };
}

X11KeeperClipboard::X11KeeperClipboard(std::unique_ptr<X11Link> link, std::string keeper)
    : link_(std::move(link)), keeper_(std::move(keeper)) {}

X11KeeperClipboard::~X11KeeperClipboard() {
    if (copy_ > 0) ::waitpid(copy_, nullptr, WNOHANG);
}

std::unique_ptr<X11KeeperClipboard> X11KeeperClipboard::connect(std::string keeper) {
    auto link = X11Link::open();
    if (!link) return nullptr;
    return std::unique_ptr<X11KeeperClipboard>(new X11KeeperClipboard(std::move(link), std::move(keeper)));
}

namespace {

// Closes every descriptor but the standard ones and `keep`.
void closeAllBut(std::initializer_list<int> keep) {
    std::vector<int> open(keep);
    std::sort(open.begin(), open.end());
    unsigned from = 3;
    for (const int fd : open) {
        if (fd < 3) continue;
        if (static_cast<unsigned>(fd) > from) ::close_range(from, static_cast<unsigned>(fd) - 1, 0);
        from = static_cast<unsigned>(fd) + 1;
    }
    ::close_range(from, ~0u, 0);
}

// The forked copy's life: own the clipboard, say so, hand the text on to the
// keeper, serve until the keeper (or anyone) takes the clipboard, and go
// without running anything of the program it was copied from.
[[noreturn]] void runCopy(std::unique_ptr<X11Link> link, std::string text, const std::string& keeper, int ready) {
    ::setsid();
    for (const int s : kHolderDefaultSignals) std::signal(s, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    // Nothing of the caller's kept open: a caller waiting on our output must
    // not wait on the copy. (Started with a standard stream closed, the
    // connection or the pipe may have its number: those stay.)
    const int x = xcb_get_file_descriptor(link->connection());
    if (const int devnull = ::open("/dev/null", O_RDWR); devnull >= 0) {
        for (const int fd : {0, 1, 2})
            if (fd != x && fd != ready && fd != devnull) ::dup2(devnull, fd);
        if (devnull > 2) ::close(devnull);
    }
    closeAllBut({x, ready});
    [[maybe_unused]] const int cwd = ::chdir("/");
    auto owner = X11ClipboardOwner::prepare(std::move(link));
    const bool owns = owner && owner->own(std::move(text));
    [[maybe_unused]] const auto n = ::write(ready, owns ? "ok" : "no", 2);
    ::close(ready);
    if (!owns) ::_exit(1);
    // The keeper takes over only if the clipboard is still ours: a run after
    // this one may already have put its own text there.
    handClipboardToHolder(keeper, owner->text(), owner->time());
    owner->waitUntilLost();
    ::_exit(0);
}

}  // namespace

bool X11KeeperClipboard::writeText(const std::string& utf8) {
    if (copy_ > 0) ::waitpid(copy_, nullptr, WNOHANG);
    int ready[2];
    if (link_ && ::pipe2(ready, O_CLOEXEC) == 0) {
        const pid_t pid = ::fork();
        if (pid == 0) runCopy(std::move(link_), utf8, keeper_, ready[1]);
        ::close(ready[1]);
        if (pid > 0) {
            copy_ = pid;
            const bool ok = holderSaidOk(ready[0]);
            ::close(ready[0]);
            // The connection is the copy's now, and used by it: ours must
            // neither speak on it nor shut it down.
            link_->handedOver();
            link_.reset();
            if (ok) return true;
        } else {
            ::close(ready[0]);
        }
    }
    return handClipboardToHolder(keeper_, utf8);
}

std::string keeperProgram(const std::string& helperDir, const std::string& commandLineTool) {
    const std::string small = helperDir + "/kakikae-keeper";
    return ::access(small.c_str(), X_OK) == 0 ? small : commandLineTool;
}

}  // namespace kk
