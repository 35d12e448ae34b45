// QProcess wiring: standard input from a file or from a text through a pipe
// fed by a worker, standard output to a file or read as it comes (capped),
// a capped pipe for the error output.
#include "platform/qt_process_runner.h"

#include "platform/exit_cleanup.h"
#include "core/big_buffer.h"

#include <QEventLoop>
#include <QPointer>
#include <QProcessEnvironment>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <csignal>
#include <ctime>
#endif

namespace kk {

namespace {
constexpr std::size_t kErrorOutputCap = 64 * 1024;
constexpr int kKillGraceMs = 1500;
constexpr int kCapPollMs = 50;

// The child leads a process group of its own, so that stopping it stops
// what its shell started too: a `yes | cat` must not outlive its run.
void signalGroup(qint64 pid, bool kill) {
#ifdef Q_OS_UNIX
    if (pid > 0) ::kill(-static_cast<pid_t>(pid), kill ? SIGKILL : SIGTERM);
#else
    (void)pid;
    (void)kill;
#endif
}

}  // namespace

QtProcessRunner::QtProcessRunner(QObject* parent) : QObject(parent) {}

QtProcessRunner::~QtProcessRunner() {
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->disconnect();
        signalGroup(process_->processId(), true);
        process_->kill();
        process_->waitForFinished(2000);
    }
    endWriter();
    endReader();
}

void QtProcessRunner::startWriter(int fd, std::string_view text, std::string tail) {
    stopWriter_ = false;
    writer_ = std::thread([this, fd, text, tail = std::move(tail)] {
#ifdef Q_OS_UNIX
        // A child that stops reading ends our writes with EPIPE, not the
        // whole process with SIGPIPE: the signal is held on this thread only.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        // Non-blocking with a short wait, so a stop is seen even while the
        // child reads nothing.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        bool broken = false;
        for (std::string_view rest : {text, std::string_view(tail)}) {
            while (!rest.empty() && !broken && !stopWriter_) {
                const ssize_t n = ::write(fd, rest.data(), std::min<std::size_t>(rest.size(), 1 << 20));
                if (n > 0) {
                    rest.remove_prefix(static_cast<std::size_t>(n));
                } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                    pollfd p{fd, POLLOUT, 0};
                    ::poll(&p, 1, 50);
                } else {
                    broken = true;  // the child closed its input: what it read is what it gets
                }
            }
        }
        ::close(fd);
        // Take the held SIGPIPE, if one came, so it never reaches the process.
        const timespec none{0, 0};
        while (sigtimedwait(&pipe, nullptr, &none) > 0) {}
#else
        (void)fd;
        (void)text;
#endif
    });
}

void QtProcessRunner::startReader(int fd, std::int64_t cap, std::size_t sizeHint) {
    drainReader_ = false;
    readerTooBig_ = false;
    readSoFar_ = 0;
    // The reader touches nothing but its own: the caller's progress is told
    // on the UI thread (startReader's caller), which may outlive the work.
    reader_ = std::thread([this, fd, cap, sizeHint] {
        // What comes is read into blocks, the first about the text's size (a
        // sort gives back what it took), which is the result as it stands
        // when all of it fits; more blocks are joined at the end, each let go
        // as it is copied. A big output costs about its own size at any
        // time, never a string grown by doubling.
        std::vector<std::string> blocks;
        std::size_t used = 0, filled = 0;  // in all, and in the last block
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        constexpr std::size_t kBlock = std::size_t{16} << 20, kAhead = std::size_t{4} << 20;
        int readsAfterEnd = 0;  // a background writer that never stops is not waited for
        while (true) {
            if (drainReader_ && ++readsAfterEnd > 16) break;
            if (blocks.empty() || filled == blocks.back().capacity()) {
                if (!blocks.empty()) blocks.back().resize(filled);
                blocks.emplace_back();
                // Huge pages where the system gives them: the first touch of
                // each 4 KB page cost more than the copy from the pipe.
                reserveText(blocks.back(), blocks.size() == 1 ? std::max(kBlock, sizeHint + kAhead) : kBlock);
                filled = 0;
            }
            std::string& block = blocks.back();
            // The block's length runs ahead of what came, each byte zeroed once.
            if (block.size() == filled) block.resize(std::min(block.capacity(), filled + kAhead));
            const ssize_t n = ::read(fd, block.data() + filled, block.size() - filled);
            if (n == 0) break;  // every writer has closed it
            if (n > 0) {
                filled += static_cast<std::size_t>(n);
                used += static_cast<std::size_t>(n);
                readSoFar_.store(used, std::memory_order_relaxed);
                if (cap > 0 && static_cast<std::int64_t>(used) > cap) {
                    // A runaway (`yes`): stopped, and what it wrote is let go at once.
                    readerTooBig_ = true;
                    blocks.clear();
                    signalGroup(childGroup_.load(), true);
                    break;
                }
                continue;
            }
            if (errno == EINTR) continue;
            if (errno != EAGAIN) break;
            // The child has ended and the pipe is empty: what is left belongs
            // to something it left in the background, which ends with it.
            if (drainReader_) break;
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, 50);
        }
        if (!blocks.empty()) blocks.back().resize(filled);
        if (blocks.size() == 1) {
            output_ = std::move(blocks.front());
        } else {
            std::string().swap(output_);
            reserveText(output_, used);
            for (std::string& block : blocks) {
                output_.append(block);
                std::string().swap(block);
            }
        }
        ::close(fd);
    });
}

void QtProcessRunner::endReader() {
    if (!reader_.joinable()) return;
    drainReader_ = true;
    reader_.join();
}

void QtProcessRunner::endWriter() {
    if (!writer_.joinable()) return;
    stopWriter_ = true;
    writer_.join();
}

void QtProcessRunner::start(const ProcessRequest& request, std::function<void(ProcessOutcome)> done) {
    endWriter();
    endReader();
    done_ = std::move(done);
    errorOutput_.clear();
    output_.clear();
    cancelled_ = false;
    tooBig_ = false;
    process_ = std::make_unique<QProcess>();
    QProcess* p = process_.get();
    p->setProgram(QString::fromStdString(request.program));
    QStringList args;
    for (const auto& a : request.arguments) args << QString::fromStdString(a);
    p->setArguments(args);
    // Standard input through a pipe of our own: its reading end becomes the
    // child's descriptor 0 (both ends close on exec otherwise).
    // Standard output likewise, its writing end the child's descriptor 1.
    int feed[2] = {-1, -1}, take[2] = {-1, -1};
#ifdef Q_OS_UNIX
    const bool fed = !request.stdinText || ::pipe2(feed, O_CLOEXEC) == 0;
    const bool taken = !request.captureOutput || ::pipe2(take, O_CLOEXEC) == 0;
    // The result's own file, under a descriptor of ours that closes on exec.
    const int outFile = request.stdoutFd >= 0 ? ::fcntl(request.stdoutFd, F_DUPFD_CLOEXEC, 3) : -1;
    if (!fed || !taken || (request.stdoutFd >= 0 && outFile < 0)) {
        // Without its pipes the filter would read nothing or write nowhere
        // and look like a success: it does not start, and says why.
        const std::string why = std::strerror(errno);
        for (const int fd : {feed[0], feed[1], take[0], take[1], outFile})
            if (fd >= 0) ::close(fd);
        process_.reset();
        QTimer::singleShot(0, this, [this, why] {
            ProcessOutcome o;
            o.startError = why;
            finish(std::move(o));
        });
        return;
    }
    // Bigger pipes: fewer switches between us and the child on a big text.
    for (const int fd : {feed[1], take[0]})
        if (fd >= 0) ::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
    const int readEnd = feed[0], writeEnd = request.stdoutFd >= 0 ? outFile : take[1], file = request.stdinFd;
    p->setChildProcessModifier([readEnd, writeEnd, file] {
        ::setpgid(0, 0);
        if (readEnd >= 0) ::dup2(readEnd, STDIN_FILENO);
        if (file >= 0 && ::lseek(file, 0, SEEK_SET) == 0) ::dup2(file, STDIN_FILENO);
        if (writeEnd >= 0) ::dup2(writeEnd, STDOUT_FILENO);
    });
#endif
    if (!request.workingDirectory.empty()) p->setWorkingDirectory(QString::fromStdString(request.workingDirectory));
    if (!request.pathPrepend.empty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        QString path = env.value("PATH");
        for (auto it = request.pathPrepend.rbegin(); it != request.pathPrepend.rend(); ++it)
            path = QString::fromStdString(*it) + ":" + path;
        env.insert("PATH", path);
        p->setProcessEnvironment(env);
    }
    if (!request.stdinFile.empty()) p->setStandardInputFile(QString::fromStdString(request.stdinFile));
    else p->setStandardInputFile(QProcess::nullDevice());
    if (!request.stdoutFile.empty())
        p->setStandardOutputFile(QString::fromStdString(request.stdoutFile), QIODevice::Truncate);
    else p->setStandardOutputFile(QProcess::nullDevice());
    connect(p, &QProcess::readyReadStandardError, this, [this, p] {
        const QByteArray chunk = p->readAllStandardError();
        if (errorOutput_.size() < kErrorOutputCap)
            errorOutput_.append(chunk.constData(),
                                std::min<std::size_t>(chunk.size(), kErrorOutputCap - errorOutput_.size()));
    });
    connect(p, &QProcess::finished, this, [this, p](int code, QProcess::ExitStatus status) {
        // All the child wrote is in the pipe now: the reader takes it and
        // ends, while what the child left in the background is told to stop.
        if (group_ > 0) signalGroup(group_, false);
        endReader();
        if (readerTooBig_) tooBig_ = true;
        const QByteArray rest = p->readAllStandardError();
        if (errorOutput_.size() < kErrorOutputCap)
            errorOutput_.append(rest.constData(),
                                std::min<std::size_t>(rest.size(), kErrorOutputCap - errorOutput_.size()));
        ProcessOutcome o;
        o.started = true;
        o.exitCode = code;
        o.crashed = status == QProcess::CrashExit;
        o.cancelled = cancelled_;
        o.outputTooBig = tooBig_;
        o.errorOutput = errorOutput_;
        o.output = std::move(output_);
        finish(std::move(o));
    });
    connect(p, &QProcess::errorOccurred, this, [this, p](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;  // the rest end in finished()
        ProcessOutcome o;
        o.started = false;
        o.startError = p->errorString().toStdString();
        finish(std::move(o));
    });
    // A child that writes a file itself gives no stream to count: the
    // file's growth is polled (the sort form's named file, or the result's
    // own file from where it ended).
    std::function<std::optional<std::int64_t>()> grown;
    if (request.stdoutFd >= 0) {
        struct stat st{};
        const std::int64_t from = ::fstat(request.stdoutFd, &st) == 0 ? st.st_size : 0;
        grown = [fd = request.stdoutFd, from]() -> std::optional<std::int64_t> {
            struct stat now{};
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
    if (request.capBytes > 0 && grown) {
        auto* poll = new QTimer(p);
        connect(poll, &QTimer::timeout, this,
                [this, poll, grown = std::move(grown), cap = request.capBytes, work = request.work] {
            const std::optional<std::int64_t> size = grown();
            if (!size) return;
            if (work) work->setOutput(static_cast<std::uint64_t>(*size));
            if (*size <= cap) return;
            poll->stop();
            tooBig_ = true;
            stopKilled();
        });
        poll->start(kCapPollMs);
    }
    p->start();
    if (outFile >= 0) ::close(outFile);
    const bool running = p->state() != QProcess::NotRunning;
    childGroup_ = running ? p->processId() : 0;
    if (feed[0] >= 0) {
        ::close(feed[0]);
        if (running) startWriter(feed[1], *request.stdinText, request.stdinTail);
        else ::close(feed[1]);
    }
    if (take[1] >= 0) {
        ::close(take[1]);
        if (running) startReader(take[0], request.capBytes, request.outputSizeHint);
        else ::close(take[0]);
        if (running && request.work) {
            // Progress: how much has come so far, told on this thread while the child runs.
            auto* tell = new QTimer(p);
            connect(tell, &QTimer::timeout, this,
                    [this, work = request.work] { work->setOutput(readSoFar_.load(std::memory_order_relaxed)); });
            tell->start(kCapPollMs);
        }
    }
    // The child exists once start() returns. Taking its group here rather
    // than on started() means a shell that ends at once still has what it
    // left in the background stopped with it.
    if (p->state() != QProcess::NotRunning && p->processId() > 0) {
        group_ = p->processId();
        registerChildGroup(static_cast<pid_t>(group_));
    }
}

void QtProcessRunner::stopKilled() {
    if (!process_) return;
    signalGroup(process_->processId(), true);
    process_->kill();
}

void QtProcessRunner::finish(ProcessOutcome outcome) {
    // What the child did not read is not written: the workers stop now.
    endWriter();
    endReader();
    if (group_ > 0) {
        // What the filter left running in the background ends with the run,
        // as a terminal's jobs end with its shell.
        const qint64 group = group_;
        signalGroup(group, false);
        QTimer::singleShot(kKillGraceMs, [group] { signalGroup(group, true); });
        unregisterChildGroup(static_cast<pid_t>(group_));
    }
    group_ = 0;
    if (!done_) return;
    auto done = std::move(done_);
    done_ = nullptr;
    if (process_) {
        // Its timers tell a work that may end with the outcome: stopped now.
        for (QTimer* t : process_->findChildren<QTimer*>()) t->stop();
        process_.release()->deleteLater();
    }
    done(std::move(outcome));
}

void QtProcessRunner::cancel() {
    if (!process_ || process_->state() == QProcess::NotRunning) return;
    cancelled_ = true;
    const qint64 group = process_->processId();
    signalGroup(group, false);
    process_->terminate();
    // Whatever is left of the group after the grace is killed, also when the
    // shell itself has already gone; the child itself too where there are no
    // process groups.
    QPointer<QProcess> p = process_.get();
    QTimer::singleShot(kKillGraceMs, this, [group, p] {
        signalGroup(group, true);
        if (p && p->state() != QProcess::NotRunning) p->kill();
    });
}

ProcessOutcome runProcessAndWait(const ProcessRequest& request) {
    QtProcessRunner runner;
    QEventLoop loop;
    ProcessOutcome result;
    runner.start(request, [&](ProcessOutcome o) {
        result = std::move(o);
        loop.quit();
    });
    loop.exec();
    return result;
}

}  // namespace kk
