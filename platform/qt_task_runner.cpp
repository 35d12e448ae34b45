// One lane per kind of task: a std::thread for the task that runs, a queue
// for those that wait. The lane's state is touched on the owner's thread
// only; the worker reports back with a queued call, and the destructor joins
// every worker, so a worker never outlives the object it posts to.
#include "platform/qt_task_runner.h"

#include <QMetaObject>

#include <atomic>

namespace kk {

QtTaskRunner::~QtTaskRunner() { shutdown(); }

void QtTaskRunner::shutdown() {
    shutDown_ = true;
    for (auto& [kind, lane] : lanes_) {
        lane.waiting.clear();
        if (lane.thread.joinable()) lane.thread.join();
        lane.running = false;
    }
}

int QtTaskRunner::runningCount() const {
    int n = 0;
    for (const auto& [kind, lane] : lanes_) n += lane.running ? 1 : 0;
    return n;
}

void QtTaskRunner::run(TaskKind kind, std::function<void()> work, std::function<void()> done) {
    if (shutDown_) return;
    Lane& lane = lanes_[kind];
    if (!lane.running) return start(kind, Task{std::move(work), std::move(done)});
    // Only the newest preview is worth computing; an older waiting one is
    // for a text or command that is gone already.
    if (kind == TaskKind::Preview) lane.waiting.clear();
    lane.waiting.push_back(Task{std::move(work), std::move(done)});
}

void QtTaskRunner::start(TaskKind kind, Task task) {
    Lane& lane = lanes_[kind];
    if (lane.thread.joinable()) lane.thread.join();  // ended: its completion has run
    lane.running = true;
    auto finished = std::make_shared<std::atomic<bool>>(false);
    lane.thread = std::thread([this, kind, finished, task = std::move(task)]() mutable {
        // A task's own failures are its to report; anything escaping it must
        // not end the program from a thread nobody watches.
        try {
            task.work();
        } catch (...) {
        }
        // The release here and the acquire on the owner's thread order the
        // work's writes before `done` reads them, in a way race checkers can
        // see (the event queue's own lock is hidden inside Qt).
        finished->store(true, std::memory_order_release);
        QMetaObject::invokeMethod(
            this,
            [this, kind, finished, done = std::move(task.done)] {
                (void)finished->load(std::memory_order_acquire);
                if (shutDown_) return;
                done();
                ended(kind);
            },
            Qt::QueuedConnection);
    });
}

void QtTaskRunner::ended(TaskKind kind) {
    Lane& lane = lanes_[kind];
    lane.running = false;
    if (lane.waiting.empty()) return;
    Task next = std::move(lane.waiting.front());
    lane.waiting.pop_front();
    start(kind, std::move(next));
}

}  // namespace kk
