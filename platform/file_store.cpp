// Local files with POSIX-style I/O through the C++ library.
#include "platform/file_store.h"

#include <cstdio>
#include <filesystem>
#include <memory>

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

std::optional<std::string> readWholeFile(const std::string& path) {
    std::error_code ec;
    if (path.empty() || !fs::is_regular_file(path, ec)) return std::nullopt;
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) return std::nullopt;
    std::string data;
    const auto n = fs::file_size(path, ec);
    if (!ec) data.reserve(static_cast<std::size_t>(n));
    char buf[1 << 16];
    std::size_t got;
    while ((got = std::fread(buf, 1, sizeof buf, f.get())) > 0) data.append(buf, got);
    if (std::ferror(f.get())) return std::nullopt;
    return data;
}

bool writeWholeFile(const std::string& path, const std::string& bytes) {
    FilePtr f(std::fopen(path.c_str(), "wb"));
    if (!f) return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) return false;
    return std::fflush(f.get()) == 0;
}

std::optional<std::string> LocalFileStore::readAll(const std::string& path) { return readWholeFile(path); }

bool LocalFileStore::append(const std::string& path, const std::string& bytes) {
    if (path.empty()) return false;
    FilePtr f(std::fopen(path.c_str(), "ab"));
    if (!f) return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) return false;
    return std::fflush(f.get()) == 0;
}

bool LocalFileStore::makeFolder(const std::string& path) {
    std::error_code ec;
    if (path.empty()) return false;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

}  // namespace kk
