// Background work on a thread of its own; the completion runs queued on the
// thread that owns this runner (the UI thread).
#pragma once

#include "platform/ports.h"

#include <QObject>

#include <atomic>
#include <list>
#include <memory>
#include <thread>

namespace kk {

class QtTaskRunner final : public QObject, public TaskRunner {
    Q_OBJECT
public:
    explicit QtTaskRunner(QObject* parent = nullptr) : QObject(parent) {}
    ~QtTaskRunner() override;
    void run(std::function<void()> work, std::function<void()> done) override;
    // Waits for every worker (their completions are dropped): called before
    // the model they work for is destroyed.
    void shutdown();

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };
    std::list<Worker> workers_;
};

}  // namespace kk
