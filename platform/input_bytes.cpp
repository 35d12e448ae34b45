// Standard input mapped when it is a regular file; everything else read to the end.
#include "platform/input_bytes.h"
#include "core/big_buffer.h"
#include "platform/exit_cleanup.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>

namespace kk {

namespace {

// The guarded mapping, for the SIGBUS handler: a page past a file's new end
// faults with SIGBUS, which would otherwise end us as a crash.
std::atomic<const char*> guardedFrom{nullptr};
std::atomic<std::size_t> guardedSize{0};
char truncatedText[512];
std::size_t truncatedLength = 0;

void onBusError(int sig, siginfo_t* info, void*) {
    const char* from = guardedFrom.load();
    const auto* at = static_cast<const char*>(info->si_addr);
    if (from && at >= from && at < from + guardedSize.load()) {
        [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, truncatedText, truncatedLength);
        cleanUpNow();
        ::_exit(1);
    }
    // Not ours: fault again as the signal would have.
    ::signal(sig, SIG_DFL);
}

void guard(const char* from, std::size_t size, const std::string& message) {
    truncatedLength = std::min(message.size(), sizeof truncatedText);
    std::memcpy(truncatedText, message.data(), truncatedLength);
    guardedSize.store(size);
    guardedFrom.store(from);
    struct sigaction sa {};
    sa.sa_sigaction = onBusError;
    sa.sa_flags = SA_SIGINFO;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGBUS, &sa, nullptr);
}

}  // namespace

InputBytes::InputBytes(InputBytes&& other) noexcept
    : owned_(std::move(other.owned_)), map_(other.map_), mapSize_(other.mapSize_), fd_(other.fd_),
      mtimeNs_(other.mtimeNs_) {
    other.map_ = nullptr;
    other.mapSize_ = 0;
    other.fd_ = -1;
}

InputBytes::~InputBytes() {
    if (map_) {
        if (guardedFrom.load() == map_) guardedFrom.store(nullptr);
        munmap(const_cast<char*>(map_), mapSize_);
    }
    if (fd_ >= 0) ::close(fd_);
}

namespace {

long long mtimeOf(const struct stat& st) {
    return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

// Appends the rest of `fd` to `out`, reserving the file's size first.
bool appendFd(int fd, std::string& out) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return false;
    if (S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return false;
    }
    // Room for the whole file and the read that finds its end.
    constexpr std::size_t kChunk = 1 << 16;
    if (S_ISREG(st.st_mode) && st.st_size > 0)
        reserveText(out, out.size() + static_cast<std::size_t>(st.st_size) + kChunk);
    while (true) {
        growText(out, kChunk);
        const std::size_t at = out.size();
        // Read straight into the string's spare room.
        out.resize(out.capacity());
        const ssize_t n = read(fd, out.data() + at, out.size() - at);
        out.resize(at + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        if (n == 0) return true;
        if (n < 0 && errno != EINTR) return false;
    }
}

}  // namespace

std::optional<InputBytes> InputBytes::fromStdin() {
    InputBytes in;
    if (in.map(STDIN_FILENO)) return in;
    if (!appendFd(STDIN_FILENO, in.owned_)) return std::nullopt;
    return in;
}

namespace {

// A regular file read from its start: its size and time of change.
bool wholeRegularFile(int fd, std::size_t& size, long long& mtimeNs) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return false;
    // A descriptor shared with a caller may have been read from already.
    if (lseek(fd, 0, SEEK_CUR) != 0) return false;
    size = static_cast<std::size_t>(st.st_size);
    mtimeNs = mtimeOf(st);
    return true;
}

bool changedSince(int fd, std::size_t size, long long mtimeNs) {
    struct stat st {};
    if (fstat(fd, &st) != 0) return true;
    return static_cast<std::size_t>(st.st_size) != size || mtimeOf(st) != mtimeNs;
}

}  // namespace

bool InputBytes::map(int fd) {
    std::size_t size = 0;
    long long mtimeNs = 0;
    if (!wholeRegularFile(fd, size, mtimeNs)) return false;
    // Its pages come in when asked (populate) or touched: a filter that
    // reads the file itself never needs them here.
    void* p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (p == MAP_FAILED) return false;
    madvise(p, size, MADV_SEQUENTIAL);
    map_ = static_cast<const char*>(p);
    mapSize_ = size;
    fd_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    mtimeNs_ = mtimeNs;
    return true;
}

void InputBytes::populate() const {
    if (!map_) return;
    // Mapping the pages is work for the processor, not the disk: a big file
    // in two halves on two threads.
    auto bringIn = [this](std::size_t from, std::size_t to) {
        ::madvise(const_cast<char*>(map_) + from, to - from, MADV_POPULATE_READ);
    };
    if (!inTwoHalves(mapSize_)) return bringIn(0, mapSize_);
    const std::size_t mid = (mapSize_ / 2) & ~std::size_t{4095};
    std::thread second(bringIn, mid, mapSize_);
    bringIn(0, mid);
    second.join();
}

bool InputBytes::changedSinceMapped() const { return map_ && fd_ >= 0 && changedSince(fd_, mapSize_, mtimeNs_); }

std::optional<InputFile> InputFile::open(const std::vector<std::string>& paths) {
    if (paths.size() > 1) return std::nullopt;
    const std::string path = paths.empty() ? "-" : paths.front();
    const int fd = path == "-" ? ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3) : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    InputFile file(fd);
    if (!wholeRegularFile(fd, file.size_, file.mtimeNs_)) return std::nullopt;
    return file;
}

InputFile::InputFile(InputFile&& other) noexcept : fd_(other.fd_), size_(other.size_), mtimeNs_(other.mtimeNs_) {
    other.fd_ = -1;
}

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

ReadAt readerOf(int fd) {
    return [fd](std::size_t offset, char* into, std::size_t room) -> std::ptrdiff_t {
        while (true) {
            const ssize_t n = ::pread(fd, into, room, static_cast<off_t>(offset));
            if (n >= 0) return n;
            if (errno != EINTR) return -errno;
        }
    };
}

ReadAt InputFile::reader() const { return readerOf(fd_); }

std::string InputFile::start(std::size_t bytes) const {
    std::string out(std::min(bytes, size_), '\0');
    std::size_t got = 0;
    const ReadAt read = reader();
    while (got < out.size()) {
        const std::ptrdiff_t n = read(got, out.data() + got, out.size() - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    return out;
}

bool InputFile::changed() const { return changedSince(fd_, size_, mtimeNs_); }

std::optional<InputBytes> InputBytes::open(const std::vector<std::string>& paths, std::string* failedPath,
                                           const std::string& truncatedMessage) {
    InputBytes in;
    const std::string path = paths.empty() ? "-" : paths.front();
    if (paths.size() <= 1) {
        const int fd = path == "-" ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            const bool mapped = in.map(fd);
            if (fd > STDIN_FILENO) ::close(fd);
            if (mapped) {
                guard(in.map_, in.mapSize_, truncatedMessage);
                return in;
            }
        }
    }
    auto all = readFiles(paths, failedPath);
    if (!all) return std::nullopt;
    in.owned_ = std::move(*all);
    return in;
}

std::optional<std::string> InputBytes::readFiles(const std::vector<std::string>& paths, std::string* failedPath) {
    std::string all;
    const std::vector<std::string> stdinOnly{"-"};
    for (const auto& path : paths.empty() ? stdinOnly : paths) {
        const int fd = path == "-" ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const bool ok = fd >= 0 && appendFd(fd, all);
        const int saved = errno;
        if (fd > STDIN_FILENO) ::close(fd);
        if (!ok) {
            if (failedPath) *failedPath = path;
            errno = saved;
            return std::nullopt;
        }
    }
    return all;
}

}  // namespace kk
