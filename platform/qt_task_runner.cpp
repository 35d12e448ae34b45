// std::thread + a queued call back to this object's thread. The destructor
// joins every worker, so a worker never outlives the object it posts to.
#include "platform/qt_task_runner.h"

#include <QMetaObject>

namespace kk {

QtTaskRunner::~QtTaskRunner() { shutdown(); }

void QtTaskRunner::shutdown() {
    for (auto& w : workers_)
        if (w.thread.joinable()) w.thread.join();
    workers_.clear();
}

void QtTaskRunner::run(std::function<void()> work, std::function<void()> done) {
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (it->finished->load()) {
            it->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::thread t([this, finished, work = std::move(work), done = std::move(done)]() mutable {
        work();
        // The release here and the acquire on the UI thread order the work's
        // writes before `done` reads them, in a way race checkers can see (the
        // event queue's own lock is hidden inside Qt).
        finished->store(true, std::memory_order_release);
        QMetaObject::invokeMethod(
            this,
            [finished, done = std::move(done)] {
                (void)finished->load(std::memory_order_acquire);
                done();
            },
            Qt::QueuedConnection);
    });
    workers_.push_back(Worker{std::move(t), finished});
}

}  // namespace kk
