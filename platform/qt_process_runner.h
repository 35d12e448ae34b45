// Child processes through QProcess: asynchronous, completion on the thread
// that started them, cancel = terminate then kill.
#pragma once

#include "platform/ports.h"

#include <QObject>
#include <QProcess>

#include <atomic>
#include <memory>
#include <thread>

namespace kk {

class QtProcessRunner final : public QObject, public ProcessRunner {
    Q_OBJECT
public:
    explicit QtProcessRunner(QObject* parent = nullptr);
    ~QtProcessRunner() override;
    void start(const ProcessRequest& request, std::function<void(ProcessOutcome)> done) override;
    void cancel() override;

private:
    void finish(ProcessOutcome outcome);
    void stopKilled();
    void startWriter(int fd, std::string_view text, std::string tail);
    void startReader(int fd, std::int64_t cap, std::size_t sizeHint);
    void endWriter();
    void endReader();
    std::unique_ptr<QProcess> process_;
    std::thread writer_;  // feeds the child's standard input
    std::atomic<bool> stopWriter_{false};
    std::thread reader_;  // takes the child's standard output as it comes
    std::atomic<bool> drainReader_{false};
    std::atomic<bool> readerTooBig_{false};
    std::atomic<std::uint64_t> readSoFar_{0};  // for progress, passed on by the UI thread
    std::atomic<qint64> childGroup_{0};
    std::string output_;
    std::function<void(ProcessOutcome)> done_;
    std::string errorOutput_;
    bool cancelled_ = false;
    bool tooBig_ = false;
    qint64 group_ = 0;  // the child's process group while it runs
};

// Runs one request to the end in a local event loop (the command line).
ProcessOutcome runProcessAndWait(const ProcessRequest& request);

}  // namespace kk
