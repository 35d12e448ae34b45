// Background work on threads of its own, at most one per kind of task; the
// completion runs queued on the thread that owns this runner (the UI thread).
#pragma once

#include "platform/ports.h"

#include <QObject>

#include <deque>
#include <map>
#include <memory>
#include <thread>

namespace kk {

class QtTaskRunner final : public QObject, public TaskRunner {
    Q_OBJECT
public:
    explicit QtTaskRunner(QObject* parent = nullptr) : QObject(parent) {}
    ~QtTaskRunner() override;
    using TaskRunner::run;
    void run(TaskKind kind, std::function<void()> work, std::function<void()> done) override;
    // Drops the waiting tasks and waits for the running ones (their
    // completions are dropped): called before the model they work for goes.
    void shutdown();
    // Threads running now: at most one per kind.
    int runningCount() const;

private:
    struct Task {
        std::function<void()> work;
        std::function<void()> done;
    };
    struct Lane {
        std::thread thread;
        bool running = false;
        std::deque<Task> waiting;
    };
    void start(TaskKind kind, Task task);
    void ended(TaskKind kind);
    std::map<TaskKind, Lane> lanes_;
    bool shutDown_ = false;
};

}  // namespace kk
