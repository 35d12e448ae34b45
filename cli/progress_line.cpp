#include "cli/progress_line.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace kk::cli {

namespace {

std::string megabytes(std::uint64_t bytes) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.0f MB", static_cast<double>(bytes) / (1 << 20));
    return buffer;
}

void writeAllTo(int fd, const std::string& s) {
    std::size_t at = 0;
    while (at < s.size()) {
        const ssize_t n = ::write(fd, s.data() + at, s.size() - at);
        if (n <= 0) return;  // a closed terminal: nothing more to show
        at += static_cast<std::size_t>(n);
    }
}

}  // namespace

std::string progressText(const Work& work, long long elapsedMs) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s", static_cast<double>(elapsedMs) / 1000);
    std::string step;
    if (work.steps() > 1) step = std::to_string(work.step()) + "/" + std::to_string(work.steps()) + "  ";
    if (work.total() == 0) return step + megabytes(work.output()) + " written  " + seconds;
    const std::uint64_t done = std::min(work.done(), work.total());
    char line[160];
    const double rate = elapsedMs > 0 ? static_cast<double>(done) / (1 << 20) * 1000 / static_cast<double>(elapsedMs) : 0;
    std::snprintf(line, sizeof line, "%3d%%  %s / %s  %.0f MB/s  %s", static_cast<int>(done * 100 / work.total()),
                  megabytes(done).c_str(), megabytes(work.total()).c_str(), rate, seconds);
    return step + line;
}

ProgressLine::ProgressLine(std::function<std::shared_ptr<const Work>()> current, int fd, int delayMs)
    : current_(std::move(current)), fd_(fd), delayMs_(delayMs), thread_([this] { loop(); }) {}

ProgressLine::~ProgressLine() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    if (drawn_) writeAllTo(fd_, "\r\033[K");
}

void ProgressLine::loop() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return stop_; })) {
        const auto work = current_();
        if (!work) continue;
        const long long elapsed = work->elapsed().count();
        if (elapsed < delayMs_) continue;
        writeAllTo(fd_, "\r\033[K" + progressText(*work, elapsed));
        drawn_ = true;
    }
}

}  // namespace kk::cli
