#include "platform/qt_process_runner.h"

#include <QEventLoop>
#include <QMetaObject>

namespace kk {

QtProcessRunner::QtProcessRunner()
    : PosixProcessRunner([this](std::function<void()> call) {
          QMetaObject::invokeMethod(context_.get(), std::move(call), Qt::QueuedConnection);
      }),
      context_(std::make_unique<QObject>()) {}

// The child and its threads first: none of them may post to a context that is gone.
QtProcessRunner::~QtProcessRunner() { stopAll(); }

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
