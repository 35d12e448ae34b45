// Standard input mapped when it is a regular file; everything else read to the end.
#include "platform/input_bytes.h"
#include "core/big_buffer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace kk {

InputBytes::InputBytes(InputBytes&& other) noexcept
    : owned_(std::move(other.owned_)), map_(other.map_), mapSize_(other.mapSize_) {
    other.map_ = nullptr;
    other.mapSize_ = 0;
}

InputBytes::~InputBytes() {
    if (map_) munmap(const_cast<char*>(map_), mapSize_);
}

namespace {

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
        if (out.capacity() - out.size() < kChunk) out.reserve(out.capacity() * 2 + (1 << 20));
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
    struct stat st {};
    // "< file" starts at 0, but a shared descriptor may not: then it is read.
    if (fstat(STDIN_FILENO, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
        lseek(STDIN_FILENO, 0, SEEK_CUR) == 0) {
        void* p = mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, STDIN_FILENO, 0);
        if (p != MAP_FAILED) {
            madvise(p, static_cast<std::size_t>(st.st_size), MADV_SEQUENTIAL);
            in.map_ = static_cast<const char*>(p);
            in.mapSize_ = static_cast<std::size_t>(st.st_size);
            return in;
        }
    }
    if (!appendFd(STDIN_FILENO, in.owned_)) return std::nullopt;
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
