// A result's own file: standard output redirected to a regular file, which a
// child may write into itself. A filter's output then lands where it goes
// once, with no pipe and no copy in our memory; what it wrote can be read
// back to check, and dropped again when the run fails.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace kk {

class OutputFile {
public:
    // `fd` when it is a regular file written at its end (a fresh `>` or a
    // `>>`) that we can also read; nullopt otherwise, for the caller to take
    // the output itself. (Whoever offers `fd` knows whether it is also the
    // input, and does not offer it then.)
    static std::optional<OutputFile> probe(int fd);
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    ~OutputFile();

    int fd() const { return fd_; }
    // What has been written past where the file ended when probed.
    std::int64_t written() const;
    // The written part, in pieces of at most 1 MB, in order; stops when
    // `take` says false. False on a read error or a refusal.
    template <typename Take>
    bool read(Take take) const {
        std::string piece;
        for (std::int64_t at = start_, end = start_ + written(); at < end;) {
            if (!readPiece(at, end, piece) || !take(std::string_view(piece))) return false;
            at += static_cast<std::int64_t>(piece.size());
        }
        return true;
    }
    // The file as it was when probed: following stops, and what was
    // written is cut off again.
    bool drop();

    // Hands what is written to `take` as it comes, in order, on a thread of
    // its own: checking the bytes then costs little after the child ends.
    // Following stops early when `take` says false or a read fails. The
    // object stays where it is while it follows.
    void follow(std::function<bool(std::string_view)> take);
    // Once the writer has ended: hands over the rest and stops. True when
    // every byte written went to `take` and it took them all.
    bool stopFollowing();

private:
    OutputFile(int fd, int reader, std::int64_t start) : fd_(fd), reader_(reader), start_(start) {}
    bool readPiece(std::int64_t at, std::int64_t end, std::string& piece) const;
    void followLoop();
    int fd_;
    int reader_;  // the same file opened for reading: `fd` may be write-only
    std::int64_t start_;
    struct Follower {
        std::function<bool(std::string_view)> take;
        std::thread thread;
        std::atomic<bool> stop{false};
        int wake = -1;          // an event that cuts its wait short
        bool complete = false;  // the follower's until joined
    };
    std::unique_ptr<Follower> follower_;
};

}  // namespace kk
