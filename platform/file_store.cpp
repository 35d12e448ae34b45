// Local files with POSIX-style I/O through the C++ library.
#include "platform/file_store.h"

#include "core/big_buffer.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace kk {

namespace fs = std::filesystem;

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;
}  // namespace

bool LocalFileStore::exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::exists(path, ec);
}

std::int64_t LocalFileStore::size(const std::string& path) {
    std::error_code ec;
    if (path.empty() || !fs::is_regular_file(path, ec)) return -1;
    const auto n = fs::file_size(path, ec);
    return ec ? -1 : static_cast<std::int64_t>(n);
}

namespace {

// Opens a regular file only: a FIFO or a device named like one of our files
// would block a read or an append for good, or never end; a symlink there is
// refused, not followed (someone may have planted it). What we write is the
// user's alone: created 0600, and a file we write to loses others' bits.
int openRegular(const std::string& path, int flags) {
    if (path.empty()) return -1;
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    if ((flags & O_CREAT) && st.st_uid == ::getuid() && (st.st_mode & 077)) ::fchmod(fd, st.st_mode & 0700);
    return fd;
}

}  // namespace

bool writeFd(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::optional<std::string> readWholeFile(const std::string& path) {
    const int fd = openRegular(path, O_RDONLY);
    if (fd < 0) return std::nullopt;
    std::string data;
    struct stat st {};
    if (::fstat(fd, &st) == 0) reserveText(data, static_cast<std::size_t>(st.st_size));
    char buf[1 << 16];
    while (true) {
        const ssize_t got = ::read(fd, buf, sizeof buf);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) break;
        data.append(buf, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return data;
}

bool writeWholeFile(const std::string& path, const std::string& bytes) {
    // Whole or not at all: a temporary file in the same folder, renamed over
    // the old one, so a full disk never leaves half a file.
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());  // 0600, O_EXCL
    if (fd < 0) return false;
    bool ok = writeFd(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return true;
    ::unlink(temp.c_str());
    return false;
}

std::optional<std::string> LocalFileStore::readAll(const std::string& path) { return readWholeFile(path); }

bool LocalFileStore::append(const std::string& path, const std::string& bytes) {
    const int fd = openRegular(path, O_WRONLY | O_APPEND | O_CREAT);
    if (fd < 0) return false;
    const bool ok = writeFd(fd, bytes);
    return ::close(fd) == 0 && ok;
}

bool LocalFileStore::replace(const std::string& path, const std::string& bytes) { return writeWholeFile(path, bytes); }

std::optional<char> LocalFileStore::lastByte(const std::string& path) {
    const int fd = openRegular(path, O_RDONLY);
    if (fd < 0) return std::nullopt;
    char c = 0;
    const bool got = ::lseek(fd, -1, SEEK_END) >= 0 && ::read(fd, &c, 1) == 1;
    ::close(fd);
    if (!got) return std::nullopt;
    return c;
}

bool LocalFileStore::makeFolder(const std::string& path) {
    std::error_code ec;
    if (path.empty()) return false;
    const bool made = fs::create_directories(path, ec);
    // Our own folder is the user's alone (the parents are theirs to set).
    if (made) ::chmod(path.c_str(), 0700);
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace kk
