// The keeper hand-over with fork/exec and two pipes (text in, "ok" back),
// and the keeper's own loop. No toolkit: the keeper is a small program that
// starts in a moment.
#include "platform/clipboard_keeper.h"
#include "platform/user_paths.h"
#include "platform/x11_owner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>

namespace kk {

bool handClipboardToHolder(const std::string& holderExecutable, const std::string& text) {
    int in[2], ready[2];
    if (::pipe(in) != 0) return false;
    if (::pipe(ready) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return false;
    }
    const pid_t pid = ::fork();
    if (pid < 0) return false;
    if (pid == 0) {
        ::setsid();
        // A second fork so the holder is nobody's child to reap.
        if (::fork() != 0) ::_exit(0);
        ::dup2(in[0], 0);
        ::dup2(ready[1], 1);
        ::close(in[0]);
        ::close(in[1]);
        ::close(ready[0]);
        ::close(ready[1]);
        const int devnull = ::open("/dev/null", O_WRONLY);
        if (devnull >= 0) ::dup2(devnull, 2);
        ::execl(holderExecutable.c_str(), holderExecutable.c_str(), "--hold-clipboard", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(ready[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::signal(SIGPIPE, SIG_IGN);
    const char* p = text.data();
    std::size_t left = text.size();
    bool ok = true;
    while (left > 0) {
        const ssize_t n = ::write(in[1], p, left);
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    ::close(in[1]);
    char reply[4] = {};
    if (ok) {
        pollfd pfd{ready[0], POLLIN, 0};
        ok = ::poll(&pfd, 1, 10000) > 0 && ::read(ready[0], reply, 2) == 2 && reply[0] == 'o' && reply[1] == 'k';
    }
    ::close(ready[0]);
    return ok;
}

namespace {

// One keeper per display and user: the newest takes over, the one before it
// ends. Its process id lives in a file named after both, in the user's own
// runtime folder; without one, no pid file (an older keeper then ends when
// it loses the clipboard).
std::string keeperPidFile() {
    const auto folder = runtimeFolder();
    if (!folder) return {};
    const std::string& base = *folder;
    std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    for (char& c : display)
        if (c == '/' || c == ':') c = '_';
    return base + "/kakikae-keeper-" + std::to_string(::getuid()) + "-" + display + ".pid";
}

bool isKeeper(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
    const std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return cmdline.find("--hold-clipboard") != std::string::npos;
}

void replacePreviousKeeper(const std::string& pidFile) {
    if (pidFile.empty()) return;
    std::ifstream in(pidFile);
    long old = 0;
    if (in >> old && old > 0 && old != ::getpid() && isKeeper(static_cast<pid_t>(old)))
        ::kill(static_cast<pid_t>(old), SIGTERM);
    in.close();
    // A new file of our own (never through a link), renamed into place.
    const std::string tmp = pidFile + "." + std::to_string(::getpid());
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return;
    const std::string line = std::to_string(::getpid()) + "\n";
    const bool ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    if (::close(fd) == 0 && ok) std::rename(tmp.c_str(), pidFile.c_str());
    else ::unlink(tmp.c_str());
}

void forgetKeeper(const std::string& pidFile) {
    if (pidFile.empty()) return;
    std::ifstream in(pidFile);
    long pid = 0;
    if (in >> pid && pid == ::getpid()) std::remove(pidFile.c_str());
}

}  // namespace

int runClipboardHolder(int, char**) {
    // Read in big pieces: a character at a time through the standard
    // streams, a megabyte took the keeper tens of milliseconds.
    std::string text;
    while (true) {
        const std::size_t at = text.size();
        text.resize(at + (std::size_t{1} << 20));
        const ssize_t n = ::read(STDIN_FILENO, text.data() + at, std::size_t{1} << 20);
        text.resize(at + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        if (n == 0 || (n < 0 && errno != EINTR)) break;
    }
    // The bytes as they came, served until another program takes the clipboard.
    auto owner = X11ClipboardOwner::take(std::move(text));
    if (!owner) return 1;
    const std::string pidFile = keeperPidFile();
    replacePreviousKeeper(pidFile);
    std::fwrite("ok", 1, 2, stdout);
    std::fflush(stdout);
    // The starter stops reading after "ok": later writes go nowhere.
    if (!std::freopen("/dev/null", "w", stdout)) std::fclose(stdout);
    owner->waitUntilLost();
    forgetKeeper(pidFile);
    return 0;
}

}  // namespace kk
