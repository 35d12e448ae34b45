// Child processes through QProcess: asynchronous, completion on the thread
// that started them, cancel = terminate then kill.
#pragma once

#include "platform/ports.h"

#include <QObject>
#include <QProcess>

#include <memory>

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
    std::unique_ptr<QProcess> process_;
    std::function<void(ProcessOutcome)> done_;
    std::string errorOutput_;
    bool cancelled_ = false;
    bool tooBig_ = false;
    qint64 group_ = 0;  // the child's process group while it runs
};

// Runs one request to the end in a local event loop (the command line).
ProcessOutcome runProcessAndWait(const ProcessRequest& request);

}  // namespace kk
