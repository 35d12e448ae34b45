// The process runner on Qt's event loop: outcomes come on the thread that
// started the run, through queued calls that die with the runner.
#pragma once

#include "platform/process_runner.h"

#include <QObject>

#include <memory>

namespace kk {

class QtProcessRunner final : public PosixProcessRunner {
public:
    QtProcessRunner();
    ~QtProcessRunner() override;

private:
    std::unique_ptr<QObject> context_;
};

// Runs one request to the end in a local event loop.
ProcessOutcome runProcessAndWait(const ProcessRequest& request);

}  // namespace kk
