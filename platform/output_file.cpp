#include "platform/output_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace kk {

std::optional<OutputFile> OutputFile::probe(int fd) {
    struct stat out{};
    if (fd < 0 || ::fstat(fd, &out) != 0 || !S_ISREG(out.st_mode)) return std::nullopt;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) return std::nullopt;
    // Written at its end only: a `1<>file` over existing bytes would have
    // them overwritten, and a failure could not give them back.
    if ((flags & O_APPEND) == 0 && ::lseek(fd, 0, SEEK_CUR) != out.st_size) return std::nullopt;
    const int reader = ::open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDONLY | O_CLOEXEC);
    if (reader < 0) return std::nullopt;
    struct stat back{};
    if (::fstat(reader, &back) != 0 || back.st_dev != out.st_dev || back.st_ino != out.st_ino) {
        ::close(reader);
        return std::nullopt;
    }
    return OutputFile(fd, reader, out.st_size);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(other.fd_), reader_(std::exchange(other.reader_, -1)), start_(other.start_),
      follower_(std::move(other.follower_)) {}

OutputFile::~OutputFile() {
    stopFollowing();
    if (reader_ >= 0) ::close(reader_);
}

void OutputFile::follow(std::function<bool(std::string_view)> take) {
    stopFollowing();
    follower_ = std::make_unique<Follower>();
    follower_->take = std::move(take);
    follower_->wake = ::eventfd(0, EFD_CLOEXEC);
    follower_->thread = std::thread([this] { followLoop(); });
}

void OutputFile::followLoop() {
    Follower& f = *follower_;
    std::string piece;
    std::int64_t at = start_;
    int idleMs = 1;
    while (true) {
        const bool last = f.stop.load(std::memory_order_acquire);
        // Read after the stop was seen: the writer has ended, the size is final.
        const std::int64_t end = start_ + written();
        const bool grew = at < end;
        while (at < end) {
            if (!readPiece(at, end, piece) || !f.take(std::string_view(piece))) return;
            at += static_cast<std::int64_t>(piece.size());
        }
        if (last) {
            f.complete = true;
            return;
        }
        // Soon again while bytes come; less often while the child is quiet.
        // The stop wakes it at once.
        idleMs = grew ? 1 : std::min(idleMs * 2, 20);
        pollfd p{f.wake, POLLIN, 0};
        ::poll(&p, f.wake >= 0 ? 1 : 0, idleMs);
    }
}

bool OutputFile::stopFollowing() {
    if (!follower_) return false;
    follower_->stop.store(true, std::memory_order_release);
    if (follower_->wake >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(follower_->wake, &one, sizeof one);
    }
    follower_->thread.join();
    const bool complete = follower_->complete;
    if (follower_->wake >= 0) ::close(follower_->wake);
    follower_.reset();
    return complete;
}

std::int64_t OutputFile::written() const {
    struct stat st{};
    if (::fstat(fd_, &st) != 0) return 0;
    return std::max<std::int64_t>(0, st.st_size - start_);
}

bool OutputFile::readPiece(std::int64_t at, std::int64_t end, std::string& piece) const {
    constexpr std::int64_t kPiece = 256 << 10;  // checked while it is in the cache
    piece.resize(static_cast<std::size_t>(std::min(kPiece, end - at)));
    std::size_t got = 0;
    while (got < piece.size()) {
        const ssize_t n = ::pread(reader_, piece.data() + got, piece.size() - got, at + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;  // cut short under us
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool OutputFile::drop() {
    stopFollowing();
    if (::ftruncate(fd_, start_) != 0) return false;
    // Our offset is shared with the child's: back to where the output began.
    return (::fcntl(fd_, F_GETFL) & O_APPEND) != 0 || ::lseek(fd_, start_, SEEK_SET) == start_;
}

}  // namespace kk
