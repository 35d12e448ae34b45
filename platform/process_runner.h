// Child processes without a toolkit: spawned into a process group of their
// own; standard input from a file, a text (a worker writes it through a
// pipe) or nothing; standard output to a file or read as it comes (capped);
// the start of the error output kept. A thread per run waits for the child
// and hands the outcome to `post`, which runs it on the thread that started
// the run (the window's event loop, the command line's wait). Cancel is
// terminate, then kill after a grace.
#pragma once

#include "platform/ports.h"

#include <functional>
#include <memory>

namespace kk {

class PosixProcessRunner : public ProcessRunner {
public:
    using Post = std::function<void(std::function<void()>)>;
    explicit PosixProcessRunner(Post post);
    ~PosixProcessRunner() override;
    void start(const ProcessRequest& request, std::function<void(ProcessOutcome)> done) override;
    void cancel() override;

protected:
    // Stops a running child and its threads; after it nothing is posted.
    void stopAll();

private:
    struct Run;
    void finish(const std::shared_ptr<Run>& run, ProcessOutcome outcome);
    Post post_;
    std::shared_ptr<Run> run_;
};

// The command line's side of `post`: outcomes queued by the runner's
// threads, run on the waiting thread.
class PostedCalls {
public:
    PostedCalls();
    PosixProcessRunner::Post poster();
    // Runs what was posted, waiting for it, until `done` says so.
    void runUntil(const std::function<bool()>& done);

private:
    struct Queue;
    std::shared_ptr<Queue> queue_;
};

}  // namespace kk
