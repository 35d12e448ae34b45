// QProcess wiring: files for stdin/stdout, a capped pipe for stderr.
#include "platform/qt_process_runner.h"

#include "platform/exit_cleanup.h"

#include <QEventLoop>
#include <QPointer>
#include <QProcessEnvironment>
#include <QTimer>

#include <filesystem>

#ifdef Q_OS_UNIX
#include <sys/types.h>
#include <unistd.h>
#include <csignal>
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
}

void QtProcessRunner::start(const ProcessRequest& request, std::function<void(ProcessOutcome)> done) {
    done_ = std::move(done);
    errorOutput_.clear();
    cancelled_ = false;
    tooBig_ = false;
    process_ = std::make_unique<QProcess>();
    QProcess* p = process_.get();
    p->setProgram(QString::fromStdString(request.program));
    QStringList args;
    for (const auto& a : request.arguments) args << QString::fromStdString(a);
    p->setArguments(args);
#ifdef Q_OS_UNIX
    p->setChildProcessModifier([] { ::setpgid(0, 0); });
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
        finish(std::move(o));
    });
    connect(p, &QProcess::errorOccurred, this, [this, p](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;  // the rest end in finished()
        ProcessOutcome o;
        o.started = false;
        o.startError = p->errorString().toStdString();
        finish(std::move(o));
    });
    if (request.capBytes > 0 && !request.capFile.empty()) {
        // Polled: the child writes the file itself, so there is no stream to count.
        auto* poll = new QTimer(p);
        connect(poll, &QTimer::timeout, this,
                [this, p, poll, file = request.capFile, cap = request.capBytes, work = request.work] {
            std::error_code ec;
            const auto size = std::filesystem::file_size(file, ec);
            if (!ec && work) work->setOutput(size);
            if (ec || static_cast<std::int64_t>(size) <= cap) return;
            poll->stop();
            tooBig_ = true;
            signalGroup(p->processId(), true);
            p->kill();
        });
        poll->start(kCapPollMs);
    }
    p->start();
    // The child exists once start() returns. Taking its group here rather
    // than on started() means a shell that ends at once still has what it
    // left in the background stopped with it.
    if (p->state() != QProcess::NotRunning && p->processId() > 0) {
        group_ = p->processId();
        registerChildGroup(static_cast<pid_t>(group_));
    }
}

void QtProcessRunner::finish(ProcessOutcome outcome) {
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
    if (process_) process_.release()->deleteLater();
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
