// A one-line progress indicator on standard error while the model works:
// share, bytes, rate and time, redrawn in place and erased at the end.
#pragma once

#include "core/work.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kk::cli {

// What the line says for a piece of work that has run `elapsedMs`:
// " 45%  90 MB / 200 MB  120 MB/s  1.5 s", or for a filter (no total)
// "  12 MB written  3.0 s".
std::string progressText(const Work& work, long long elapsedMs);

class ProgressLine {
public:
    // `current` is asked from the line's own thread for the running work (or
    // null); nothing shows before `delayMs`.
    ProgressLine(std::function<std::shared_ptr<const Work>()> current, int fd, int delayMs = 1000);
    ~ProgressLine();  // erases the line if it was drawn
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

private:
    void loop();
    std::function<std::shared_ptr<const Work>()> current_;
    int fd_;
    int delayMs_;
    bool drawn_ = false;
    bool stop_ = false;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
};

}  // namespace kk::cli
