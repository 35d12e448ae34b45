// wl-paste / wl-copy through a spawned child with pipes.
#include "platform/wl_clipboard.h"
#include "platform/find_program.h"
#include "texts/texts.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>

extern char** environ;

namespace kk {

bool inWaylandSession() {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (!display || !*display) return false;
    std::string socket = display;
    if (socket[0] != '/') {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (!runtime || !*runtime) return false;
        socket = std::string(runtime) + "/" + socket;
    }
    struct stat st {};
    return ::stat(socket.c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

std::string WlClipboard::missingTools() {
    std::string missing;
    for (const char* tool : {"wl-paste", "wl-copy"})
        if (findProgramOnPath(tool).empty()) missing += (missing.empty() ? "" : ", ") + std::string(tool);
    return missing;
}

std::string pickTextType(const std::vector<std::string>& offered) {
    for (const char* wanted : {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "STRING", "TEXT"})
        for (const auto& t : offered)
            if (t == wanted) return t;
    for (const auto& t : offered)
        if (t.starts_with("text/plain")) return t;
    return {};
}

std::optional<std::string> WlClipboard::readText() {
    failure_.clear();
    if (!inWaylandSession()) return std::nullopt;
    // wl-paste's own first line says why the compositor refused (or what failed).
    auto refused = [this](const ChildRun& run) {
        if (run.timedOut) failure_ = texts::text(texts::Msg::ClipboardOwnerSilent);
        else if (const std::string first = run.errorOutput.substr(0, run.errorOutput.find('\n')); !first.empty())
            failure_ = texts::message(texts::Msg::ClipboardRefused, first);
        return std::nullopt;
    };
    // An empty clipboard makes --list-types fail as well: with the session
    // there, that reads as "no text", not as unreachable.
    auto paste = [this](std::vector<std::string> args) {
        args.insert(args.begin(), "wl-paste");
        if (primary_) args.insert(args.begin() + 1, "--primary");
        return args;
    };
    const ChildRun types = runChild(paste({"--list-types"}), {}, true, timeoutMs_);
    if (!types.started) return std::nullopt;
    if (types.timedOut) return refused(types);
    if (types.exitCode != 0 && types.errorOutput.find("No selection") == std::string::npos &&
        types.errorOutput.find("Nothing is copied") == std::string::npos && !types.errorOutput.empty())
        return refused(types);
    std::vector<std::string> offered;
    for (std::size_t at = 0; at < types.output.size();) {
        const std::size_t end = std::min(types.output.find('\n', at), types.output.size());
        offered.push_back(types.output.substr(at, end - at));
        at = end + 1;
    }
    const std::string type = types.exitCode == 0 ? pickTextType(offered) : std::string();
    holdsText_ = !type.empty();
    if (!holdsText_) return std::string();
    ChildRun text = runChild(paste({"--no-newline", "--type", type}), {}, true, timeoutMs_);
    if (!text.started) return std::nullopt;
    if (text.timedOut || text.exitCode != 0) return refused(text);
    return std::move(text.output);
}

bool WlClipboard::writeText(const std::string& utf8) {
    if (!inWaylandSession()) return false;
    // wl-copy forks a server that keeps the text after it and we are gone.
    const ChildRun copy = runChild({"wl-copy", "--type", "text/plain;charset=utf-8"}, utf8, false);
    return copy.started && copy.exitCode == 0;
}

ChildRun runChild(const std::vector<std::string>& argv, std::string_view input, bool collectOutput,
                  int timeoutMs) {
    ChildRun run;
    int in[2], out[2] = {-1, -1}, err[2] = {-1, -1};
    if (::pipe2(in, O_CLOEXEC) != 0) return run;
    if (collectOutput && (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)) {
        for (const int fd : {in[0], in[1], out[0], out[1]})
            if (fd >= 0) ::close(fd);
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    if (collectOutput) {
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    if (collectOutput) {
        ::close(out[1]);
        ::close(err[1]);
    }
    if (rc != 0) {
        ::close(in[1]);
        if (collectOutput) {
            ::close(out[0]);
            ::close(err[0]);
        }
        return run;
    }
    run.started = true;
    // Feed and drain together, so a child that answers while it still reads never stalls us.
    std::signal(SIGPIPE, SIG_IGN);
    int inFd = in[1], outFd = collectOutput ? out[0] : -1, errFd = collectOutput ? err[0] : -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (input.empty()) {
        ::close(inFd);
        inFd = -1;
    }
    char buffer[1 << 16];
    while (inFd >= 0 || outFd >= 0 || errFd >= 0) {
        pollfd fds[3];
        int n = 0;
        if (inFd >= 0) fds[n++] = {inFd, POLLOUT, 0};
        if (outFd >= 0) fds[n++] = {outFd, POLLIN, 0};
        if (errFd >= 0) fds[n++] = {errFd, POLLIN, 0};
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) {
                // A source that never sends (a stopped wl-copy): give up.
                run.timedOut = true;
                ::kill(pid, SIGKILL);
                break;
            }
            wait = static_cast<int>(left);
        }
        if (::poll(fds, static_cast<nfds_t>(n), wait) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < n; ++i) {
            if (!fds[i].revents) continue;
            if (fds[i].fd == inFd) {
                const ssize_t w = ::write(inFd, input.data(), std::min<std::size_t>(input.size(), sizeof buffer));
                if (w > 0) input.remove_prefix(static_cast<std::size_t>(w));
                if (w < 0 && errno == EINTR) continue;
                if (w <= 0 || input.empty()) {
                    ::close(inFd);
                    inFd = -1;
                }
            } else {
                int& fd = fds[i].fd == outFd ? outFd : errFd;
                std::string& into = fds[i].fd == outFd ? run.output : run.errorOutput;
                const ssize_t r = ::read(fd, buffer, sizeof buffer);
                if (r > 0) into.append(buffer, static_cast<std::size_t>(r));
                else if (r == 0 || errno != EINTR) {
                    ::close(fd);
                    fd = -1;
                }
            }
        }
    }
    for (const int fd : {inFd, outFd, errFd})
        if (fd >= 0) ::close(fd);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace kk
