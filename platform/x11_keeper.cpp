// The keeper hand-over: a spawned keeper and two pipes (text in, "ok" back),
// and the keeper's own loop. No toolkit: the keeper is a small program that
// starts in a moment.
#include "platform/clipboard_keeper.h"
#include "platform/user_paths.h"
#include "platform/x11_owner.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string_view>

namespace kk {

namespace {

// Moves a descriptor out of 0-2 (a starter run with a standard stream
// closed gets those numbers for its pipes), keeping it close-on-exec.
int aboveStandard(int fd) {
    if (fd > 2) return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

}  // namespace

bool holderSaidOk(int fd) {
    char reply[2] = {};
    pollfd pfd{fd, POLLIN, 0};
    return ::poll(&pfd, 1, 10000) > 0 && ::read(fd, reply, 2) == 2 && reply[0] == 'o' && reply[1] == 'k';
}

bool handClipboardToHolder(const std::string& holderExecutable, const std::string& text, std::uint32_t since) {
    int in[2], ready[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return false;
    if (::pipe2(ready, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return false;
    }
    for (int* fd : {&in[0], &in[1], &ready[0], &ready[1]}) *fd = aboveStandard(*fd);
    // Its own session, in the root folder, with nothing of ours open but the
    // two pipes: a holder outlives us, and must keep neither our terminal, a
    // mounted folder, nor a pipe a caller waits on to close.
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, ready[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawn_file_actions_addchdir_np(&actions, "/");
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (const int s : kHolderDefaultSignals) sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char* const argv[] = {const_cast<char*>(holderExecutable.c_str()), const_cast<char*>("--hold-clipboard"),
                          nullptr};
    pid_t pid = -1;
    const bool started = ::posix_spawn(&pid, holderExecutable.c_str(), &actions, &attr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(in[0]);
    ::close(ready[1]);
    bool ok = started;
    std::signal(SIGPIPE, SIG_IGN);  // a holder that died is a false return, not our end
    auto send = [&](std::string_view bytes) {
        while (ok && !bytes.empty()) {
            const ssize_t n = ::write(in[1], bytes.data(), bytes.size());
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) ok = false;
            else bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    };
    if (since) {
        char head[1 + sizeof since] = {'S'};
        std::memcpy(head + 1, &since, sizeof since);
        send(std::string_view(head, sizeof head));
    } else {
        send("T");
    }
    send(text);
    ::close(in[1]);
    ok = ok && holderSaidOk(ready[0]);
    ::close(ready[0]);
    // Reaped when it already ended; else it is nobody's once we exit.
    if (pid > 0) ::waitpid(pid, nullptr, WNOHANG);
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
    // Ready before the text comes: the starter is still at work meanwhile.
    auto owner = X11ClipboardOwner::prepare();
    auto readExactly = [](void* into, std::size_t n) {
        auto* p = static_cast<char*>(into);
        while (n > 0) {
            const ssize_t got = ::read(STDIN_FILENO, p, n);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            p += got;
            n -= static_cast<std::size_t>(got);
        }
        return true;
    };
    char go = 0;
    std::uint32_t since = 0;
    if (!readExactly(&go, 1) || (go != 'T' && go != 'S')) return 0;  // the starter had nothing to hand over
    if (go == 'S' && !readExactly(&since, sizeof since)) return 0;
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
    if (!owner || !owner->own(std::move(text), since)) return 1;
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
