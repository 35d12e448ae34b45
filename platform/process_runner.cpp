#include "platform/process_runner.h"

#include "core/big_buffer.h"
#include "platform/exit_cleanup.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace kk {

namespace {

constexpr std::size_t kErrorOutputCap = 64 * 1024;
constexpr auto kKillGrace = std::chrono::milliseconds(1500);
constexpr int kPollMs = 50;

// The child leads a process group of its own, so that stopping it stops
// what its shell started too: a `yes | cat` must not outlive its run.
void signalGroup(pid_t group, bool kill) {
    if (group > 0) ::kill(-group, kill ? SIGKILL : SIGTERM);
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Writes the text and its tail into the child's standard input. A child
// that stops reading ends the writes (EPIPE, never SIGPIPE for the process);
// a stop is seen even while the child reads nothing.
void feedText(int fd, std::string_view text, const std::string& tail, const std::atomic<bool>& stop) {
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    bool broken = false;
    for (std::string_view rest : {text, std::string_view(tail)}) {
        while (!rest.empty() && !broken && !stop) {
            const ssize_t n = ::write(fd, rest.data(), std::min<std::size_t>(rest.size(), 1 << 20));
            if (n > 0) {
                rest.remove_prefix(static_cast<std::size_t>(n));
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                pollfd p{fd, POLLOUT, 0};
                ::poll(&p, 1, kPollMs);
            } else {
                broken = true;  // the child closed its input: what it read is what it gets
            }
        }
    }
    ::close(fd);
    // Take the held SIGPIPE, if one came, so it never reaches the process.
    const timespec none{0, 0};
    while (sigtimedwait(&pipe, nullptr, &none) > 0) {}
}

}  // namespace

struct PosixProcessRunner::Run {
    pid_t pid = -1;
    int pidfd = -1, errRead = -1, wake = -1;
    std::thread waiter, writer, reader;
    std::atomic<bool> stopWriter{false}, drainReader{false}, readerTooBig{false}, cancelled{false}, ended{false};
    std::atomic<std::uint64_t> readSoFar{0};
    std::string output;  // the reader's, taken once it has ended
    std::function<void(ProcessOutcome)> done;

    void collect(int fd, std::int64_t cap, std::size_t sizeHint);
    ProcessOutcome await(const ProcessRequest& request);
    void endWriter() {
        stopWriter = true;
        if (writer.joinable()) writer.join();
    }
    void endReader() {
        drainReader = true;
        if (reader.joinable()) reader.join();
    }
    void wakeWaiter() const {
        const std::uint64_t one = 1;
        if (wake >= 0) [[maybe_unused]] const ssize_t n = ::write(wake, &one, sizeof one);
    }
    ~Run() {
        closeFd(pidfd);
        closeFd(errRead);
        closeFd(wake);
    }
};

// What comes is read into blocks, the first about the text's size (a sort
// gives back what it took), which is the result as it stands when all of it
// fits; more blocks are joined at the end, each let go as it is copied. A
// big output costs about its own size at any time, never a string grown by
// doubling.
void PosixProcessRunner::Run::collect(int fd, std::int64_t cap, std::size_t sizeHint) {
    std::vector<std::string> blocks;
    std::size_t used = 0, filled = 0;  // in all, and in the last block
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    constexpr std::size_t kBlock = std::size_t{16} << 20, kAhead = std::size_t{4} << 20, kFirst = 64 << 10;
    int readsAfterEnd = 0;  // a background writer that never stops is not waited for
    while (true) {
        if (drainReader && ++readsAfterEnd > 16) break;
        if (blocks.empty() || filled == blocks.back().capacity()) {
            if (!blocks.empty()) blocks.back().resize(filled);
            blocks.emplace_back();
            // Huge pages where the system gives them: the first touch of
            // each 4 KB page cost more than the copy from the pipe.
            reserveText(blocks.back(), blocks.size() == 1 ? sizeHint + kAhead : kBlock);
            filled = 0;
        }
        std::string& block = blocks.back();
        // The block's length runs ahead of what came, each byte zeroed once:
        // a little at first, so a small output costs a small buffer.
        if (block.size() == filled)
            block.resize(std::min(block.capacity(), filled + std::clamp(filled, kFirst, kAhead)));
        const ssize_t n = ::read(fd, block.data() + filled, block.size() - filled);
        if (n == 0) break;  // every writer has closed it
        if (n > 0) {
            filled += static_cast<std::size_t>(n);
            used += static_cast<std::size_t>(n);
            readSoFar.store(used, std::memory_order_relaxed);
            if (cap > 0 && static_cast<std::int64_t>(used) > cap) {
                // A runaway (`yes`): stopped, and what it wrote is let go at once.
                readerTooBig = true;
                blocks.clear();
                signalGroup(pid, true);
                break;
            }
            continue;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN) break;
        // The child has ended and the pipe is empty: what is left belongs
        // to something it left in the background, which ends with it.
        if (drainReader) break;
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, kPollMs);
    }
    if (!blocks.empty()) blocks.back().resize(filled);
    if (blocks.size() == 1) {
        output = std::move(blocks.front());
    } else {
        reserveText(output, used);
        for (std::string& block : blocks) {
            output.append(block);
            std::string().swap(block);
        }
    }
    ::close(fd);
}

// Waits for the child while keeping its error output's start, telling the
// progress, bounding a file it writes itself and carrying out a cancel.
ProcessOutcome PosixProcessRunner::Run::await(const ProcessRequest& request) {
    // A child that writes a file itself gives no stream to count: the
    // file's growth is polled (the sort form's named file, or the result's
    // own file from where it ended).
    std::function<std::optional<std::int64_t>()> grown;
    if (request.stdoutFd >= 0) {
        struct stat st {};
        const std::int64_t from = ::fstat(request.stdoutFd, &st) == 0 ? st.st_size : 0;
        grown = [fd = request.stdoutFd, from]() -> std::optional<std::int64_t> {
            struct stat now {};
            if (::fstat(fd, &now) != 0) return std::nullopt;
            return std::max<std::int64_t>(0, now.st_size - from);
        };
    } else if (!request.capFile.empty()) {
        grown = [file = request.capFile]() -> std::optional<std::int64_t> {
            std::error_code ec;
            const auto size = std::filesystem::file_size(file, ec);
            if (ec) return std::nullopt;
            return static_cast<std::int64_t>(size);
        };
    }
    const bool polls = (grown && (request.capBytes > 0 || request.work)) || (request.captureOutput && request.work);
    using Clock = std::chrono::steady_clock;
    auto nextPoll = Clock::now() + std::chrono::milliseconds(kPollMs);
    std::optional<Clock::time_point> killAt;
    bool tooBig = false, terminated = false;
    std::string errors;
    auto takeErrors = [&] {
        char chunk[16384];
        while (errRead >= 0) {
            const ssize_t n = ::read(errRead, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                if (n == 0) closeFd(errRead);  // every writer has closed it
                return;
            }
            if (errors.size() < kErrorOutputCap)
                errors.append(chunk, std::min<std::size_t>(static_cast<std::size_t>(n), kErrorOutputCap - errors.size()));
        }
    };
    siginfo_t info{};
    while (true) {
        pollfd fds[3] = {{pidfd, POLLIN, 0}, {wake, POLLIN, 0}, {errRead, POLLIN, 0}};
        int timeout = -1;
        const auto now = Clock::now();
        if (polls) timeout = static_cast<int>(std::max<std::int64_t>(
                       0, std::chrono::duration_cast<std::chrono::milliseconds>(nextPoll - now).count()));
        if (killAt) {
            const auto left = std::max<std::int64_t>(
                0, std::chrono::duration_cast<std::chrono::milliseconds>(*killAt - now).count());
            timeout = timeout < 0 ? static_cast<int>(left) : std::min(timeout, static_cast<int>(left));
        }
        ::poll(fds, errRead >= 0 ? 3 : 2, timeout);
        if (fds[2].revents) takeErrors();
        if (fds[1].revents) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = ::read(wake, &count, sizeof count);
            if (cancelled && !terminated) {
                // The group is asked to end; whatever is left after the grace is killed.
                terminated = true;
                signalGroup(pid, false);
                ::kill(pid, SIGTERM);
                killAt = Clock::now() + kKillGrace;
            }
        }
        if (killAt && Clock::now() >= *killAt) {
            signalGroup(pid, true);
            ::kill(pid, SIGKILL);
            killAt.reset();
        }
        if (polls && Clock::now() >= nextPoll) {
            nextPoll = Clock::now() + std::chrono::milliseconds(kPollMs);
            if (grown) {
                if (const std::optional<std::int64_t> size = grown()) {
                    if (request.work) request.work->setOutput(static_cast<std::uint64_t>(*size));
                    if (request.capBytes > 0 && *size > request.capBytes && !tooBig) {
                        tooBig = true;
                        signalGroup(pid, true);
                        ::kill(pid, SIGKILL);
                    }
                }
            } else if (request.work) {
                request.work->setOutput(readSoFar.load(std::memory_order_relaxed));
            }
        }
        if (fds[0].revents) {
            if (::waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(pidfd), &info, WEXITED) == 0) break;
            // Reaped by someone else: how it ended is unknown, so it is no success.
            if (errno != EINTR) {
                info.si_code = CLD_KILLED;
                break;
            }
        }
    }
    // All the child wrote is in the pipes now: the reader takes it and ends,
    // while what the child left in the background is told to stop.
    signalGroup(pid, false);
    endReader();
    takeErrors();
    ProcessOutcome o;
    o.started = true;
    o.crashed = info.si_code == CLD_KILLED || info.si_code == CLD_DUMPED;
    o.exitCode = info.si_status;
    o.cancelled = cancelled;
    o.outputTooBig = tooBig || readerTooBig;
    o.errorOutput = std::move(errors);
    o.output = std::move(output);
    return o;
}

PosixProcessRunner::PosixProcessRunner(Post post) : post_(std::move(post)) {}

PosixProcessRunner::~PosixProcessRunner() { stopAll(); }

void PosixProcessRunner::stopAll() {
    if (!run_) return;
    auto run = std::move(run_);
    run->done = nullptr;  // nobody is told any more
    if (run->pid > 0 && !run->ended) {
        signalGroup(run->pid, true);
        ::kill(run->pid, SIGKILL);
    }
    if (run->waiter.joinable()) run->waiter.join();
    run->endWriter();
    run->endReader();
}

void PosixProcessRunner::start(const ProcessRequest& request, std::function<void(ProcessOutcome)> done) {
    stopAll();
    auto run = std::make_shared<Run>();
    run->done = std::move(done);
    run_ = run;
    auto failed = [&](int error) {
        ProcessOutcome o;
        o.startError = std::strerror(error);
        post_([this, run, o = std::move(o)]() mutable { finish(run, std::move(o)); });
    };
    // The child's descriptors: ours close on exec, the spawn puts them at 0, 1 and 2.
    int feed[2] = {-1, -1}, take[2] = {-1, -1}, errs[2] = {-1, -1};
    int in = -1, out = -1;
    auto closeAll = [&] {
        for (int* fd : {&feed[0], &feed[1], &take[0], &take[1], &errs[0], &errs[1], &in, &out}) closeFd(*fd);
    };
    bool ok = ::pipe2(errs, O_CLOEXEC) == 0;
    if (ok && request.stdinText) ok = ::pipe2(feed, O_CLOEXEC) == 0;
    if (ok && request.captureOutput) ok = ::pipe2(take, O_CLOEXEC) == 0;
    if (ok) {
        if (request.stdinText) in = ::fcntl(feed[0], F_DUPFD_CLOEXEC, 3);
        else if (request.stdinFd >= 0) {
            // Read from its start: the offset is shared with the child.
            ::lseek(request.stdinFd, 0, SEEK_SET);
            in = ::fcntl(request.stdinFd, F_DUPFD_CLOEXEC, 3);
        } else {
            in = ::open(request.stdinFile.empty() ? "/dev/null" : request.stdinFile.c_str(), O_RDONLY | O_CLOEXEC);
        }
        if (request.stdoutFd >= 0) out = ::fcntl(request.stdoutFd, F_DUPFD_CLOEXEC, 3);
        else if (request.captureOutput) out = ::fcntl(take[1], F_DUPFD_CLOEXEC, 3);
        else if (!request.stdoutFile.empty())
            out = ::open(request.stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        else out = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        ok = in >= 0 && out >= 0;
    }
    if (!ok) {
        // Without its pipes the filter would read nothing or write nowhere
        // and look like a success: it does not start, and says why.
        const int error = errno;
        closeAll();
        return failed(error);
    }
    // Bigger pipes: fewer switches between us and the child on a big text.
    for (const int fd : {feed[1], take[0]})
        if (fd >= 0) ::fcntl(fd, F_SETPIPE_SZ, 1 << 20);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errs[1], STDERR_FILENO);
    if (!request.workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, request.workingDirectory.c_str());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A group of its own, no signal held, and SIGPIPE as a fresh program
    // has it (our handlers end with the exec; an ignored signal would not).
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t pipe, none;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &pipe);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> words{request.argv0.empty() ? request.program : request.argv0};
    words.insert(words.end(), request.arguments.begin(), request.arguments.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    std::vector<char*> envp;
    char** env = environ;
    std::vector<std::string> replaced;  // NAME=value, each in place of the inherited NAME
    if (!request.pathPrepend.empty()) {
        std::string path;
        for (const std::string& dir : request.pathPrepend) path += dir + ":";
        const char* old = std::getenv("PATH");
        replaced.push_back("PATH=" + path + (old ? old : "/usr/bin:/bin"));
    }
    if (request.setsPwd) {
        // As the shell does: PWD kept when it names the child's folder, else that folder.
        std::error_code ec;
        const std::filesystem::path dir =
            request.workingDirectory.empty() ? std::filesystem::current_path(ec) : std::filesystem::path(request.workingDirectory);
        const char* pwd = std::getenv("PWD");
        if (!pwd || *pwd != '/' || !std::filesystem::equivalent(pwd, dir, ec))
            replaced.push_back("PWD=" + std::filesystem::canonical(dir, ec).string());
    }
    if (!replaced.empty()) {
        auto isReplaced = [&](const char* e) {
            for (const std::string& r : replaced)
                if (std::strncmp(e, r.c_str(), r.find('=') + 1) == 0) return true;
            return false;
        };
        for (char** e = environ; *e; ++e)
            if (!isReplaced(*e)) environment.emplace_back(*e);
        environment.insert(environment.end(), replaced.begin(), replaced.end());
        for (std::string& e : environment) envp.push_back(e.data());
        envp.push_back(nullptr);
        env = envp.data();
    }
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, request.program.c_str(), &actions, &attributes, argv.data(), env);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    closeFd(in);
    closeFd(out);
    closeFd(errs[1]);
    closeFd(feed[0]);
    closeFd(take[1]);
    if (spawned != 0) {
        closeAll();
        return failed(spawned);
    }
    // Taken at once: a shell that ends at once still has what it left in
    // the background stopped with it.
    run->pid = pid;
    registerChildGroup(pid);
    run->pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    run->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    run->errRead = errs[0];
    errs[0] = -1;
    ::fcntl(run->errRead, F_SETFL, ::fcntl(run->errRead, F_GETFL) | O_NONBLOCK);
    if (run->pidfd < 0) {
        // No way to wait for it without blocking: it does not run unwatched.
        const int error = errno;
        signalGroup(pid, true);
        ::waitpid(pid, nullptr, 0);
        unregisterChildGroup(pid);
        run->pid = -1;
        closeAll();
        return failed(error);
    }
    if (feed[1] >= 0) {
        run->writer = std::thread(
            [r = run.get(), fd = feed[1], text = *request.stdinText, tail = request.stdinTail] {
                feedText(fd, text, tail, r->stopWriter);
            });
        feed[1] = -1;
    }
    if (take[0] >= 0) {
        run->reader = std::thread([r = run.get(), fd = take[0], cap = request.capBytes, hint = request.outputSizeHint] {
            r->collect(fd, cap, hint);
        });
        take[0] = -1;
    }
    run->waiter = std::thread([this, run, request] {
        ProcessOutcome o = run->await(request);
        run->ended = true;
        post_([this, run, o = std::move(o)]() mutable { finish(run, std::move(o)); });
    });
}

void PosixProcessRunner::finish(const std::shared_ptr<Run>& run, ProcessOutcome outcome) {
    if (run != run_ || !run->done) return;  // a run since replaced or stopped
    // What the child did not read is not written: the workers stop now.
    if (run->waiter.joinable()) run->waiter.join();
    run->endWriter();
    run->endReader();
    if (run->pid > 0) {
        // What the filter left running in the background ends with the run,
        // as a terminal's jobs end with its shell.
        const pid_t group = run->pid;
        signalGroup(group, false);
        if (::kill(-group, 0) == 0)
            std::thread([group] {
                std::this_thread::sleep_for(kKillGrace);
                signalGroup(group, true);
            }).detach();
        unregisterChildGroup(group);
    }
    auto done = std::move(run->done);
    run->done = nullptr;
    done(std::move(outcome));
}

void PosixProcessRunner::cancel() {
    if (!run_ || run_->pid <= 0 || run_->ended) return;
    run_->cancelled = true;
    run_->wakeWaiter();
}

struct PostedCalls::Queue {
    std::mutex lock;
    std::condition_variable ready;
    std::deque<std::function<void()>> calls;
};

PostedCalls::PostedCalls() : queue_(std::make_shared<Queue>()) {}

PosixProcessRunner::Post PostedCalls::poster() {
    return [queue = queue_](std::function<void()> call) {
        {
            const std::lock_guard<std::mutex> hold(queue->lock);
            queue->calls.push_back(std::move(call));
        }
        queue->ready.notify_one();
    };
}

void PostedCalls::runUntil(const std::function<bool()>& done) {
    while (!done()) {
        std::function<void()> call;
        {
            std::unique_lock<std::mutex> hold(queue_->lock);
            queue_->ready.wait(hold, [this] { return !queue_->calls.empty(); });
            call = std::move(queue_->calls.front());
            queue_->calls.pop_front();
        }
        call();
    }
}

}  // namespace kk
