// What a long operation and whoever waits for it share: a cancel request one
// way, how far it has come the other. The operation holds it const and only
// reads the request and reports bytes; the model, the window and the
// command line's progress line read the figures from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

namespace kk {

class Work {
public:
    using Clock = std::chrono::steady_clock;

    // The request, as the operations test it between pieces of their work.
    bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }
    void cancel() { cancelled_.store(true); }

    // Bytes of input the operation walks in all; 0 while unknown (a filter).
    void setTotal(std::uint64_t bytes) const { total_.store(bytes, std::memory_order_relaxed); }
    // Bytes walked so far; never goes back.
    void advance(std::uint64_t bytesDone) const {
        std::uint64_t seen = done_.load(std::memory_order_relaxed);
        while (bytesDone > seen && !done_.compare_exchange_weak(seen, bytesDone, std::memory_order_relaxed)) {
        }
    }
    // The whole input walked.
    void finish() const { advance(total_.load(std::memory_order_relaxed)); }
    // Bytes a filter has written so far (its output), shown beside the time.
    void setOutput(std::uint64_t bytes) const { output_.store(bytes, std::memory_order_relaxed); }
    // A chain of steps (a recipe): which one runs, of how many.
    void setStep(int step, int steps) const {
        steps_.store(steps, std::memory_order_relaxed);
        step_.store(step, std::memory_order_relaxed);
    }

    std::uint64_t total() const { return total_.load(std::memory_order_relaxed); }
    std::uint64_t done() const { return done_.load(std::memory_order_relaxed); }
    std::uint64_t output() const { return output_.load(std::memory_order_relaxed); }
    int step() const { return step_.load(std::memory_order_relaxed); }
    int steps() const { return steps_.load(std::memory_order_relaxed); }
    Clock::time_point startedAt() const { return startedAt_; }
    std::chrono::milliseconds elapsed() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - startedAt_);
    }

private:
    std::atomic<bool> cancelled_{false};
    mutable std::atomic<std::uint64_t> total_{0}, done_{0}, output_{0};
    mutable std::atomic<int> step_{0}, steps_{0};
    const Clock::time_point startedAt_ = Clock::now();
};

// What the operations take: null when nobody waits.
using WorkLink = const Work*;

inline bool cancelledBy(WorkLink work) { return work && work->cancelled(); }
inline void reportDone(WorkLink work, std::uint64_t bytesDone) {
    if (work) work->advance(bytesDone);
}

}  // namespace kk
