// All of an input as bytes. A regular file is mapped rather than copied: a
// 100 MB input then costs no read copy and no fresh pages.
#pragma once

#include "core/text_codec.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kk {

class InputBytes {
public:
    // Standard input to its end; nullopt on a read error.
    static std::optional<InputBytes> fromStdin();
    // Files one after the other ("-" is standard input; none: standard
    // input), read into one string (no mapping): for a text that is kept
    // whole anyway, so its bytes are in memory once. nullopt when one cannot
    // be opened or read (its name in `failedPath`, the reason in errno).
    static std::optional<std::string> readFiles(const std::vector<std::string>& paths, std::string* failedPath);
    // The same, for a text that is only read: a lone regular file (a FILE
    // argument, or standard input redirected from one) is mapped, the rest
    // read. While a mapping lives, a file cut short under us ends the process
    // with `truncatedMessage` and exit status 1 (no crash); a file changed in
    // place is caught afterwards by changedSinceMapped().
    static std::optional<InputBytes> open(const std::vector<std::string>& paths, std::string* failedPath,
                                          const std::string& truncatedMessage);
    // Brings a mapped file's pages in at once (one call, not a fault per
    // page); a no-op for a text that was read.
    void populate() const;
    bool mapped() const { return map_ != nullptr; }
    // The mapped file, open (-1 when the input was read).
    int file() const { return map_ ? fd_ : -1; }
    // The mapped file's size or time of change differ from when it was mapped.
    bool changedSinceMapped() const;
    InputBytes(InputBytes&& other) noexcept;
    InputBytes& operator=(InputBytes&&) = delete;
    ~InputBytes();

    std::string_view view() const { return map_ ? std::string_view(map_, mapSize_) : std::string_view(owned_); }

private:
    InputBytes() = default;
    bool map(int fd);
    std::string owned_;
    const char* map_ = nullptr;
    std::size_t mapSize_ = 0;
    int fd_ = -1;  // the mapped file, kept open to look at it again
    long long mtimeNs_ = 0;
};

// Reads from `fd` at an offset (pread), leaving its position alone.
ReadAt readerOf(int fd);

// A lone regular file (a FILE argument, or standard input redirected from
// one) left where it is, to be read a piece at a time: for a pass that keeps
// nothing of it, where a mapping's first touch of each page costs more than
// a read into a buffer that stays in the cache.
class InputFile {
public:
    static std::optional<InputFile> open(const std::vector<std::string>& paths);
    std::size_t size() const { return size_; }
    ReadAt reader() const;
    std::string start(std::size_t bytes) const;  // its first `bytes`
    // Its size or time of change differ from when it was opened.
    bool changed() const;
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&&) = delete;
    ~InputFile();

private:
    explicit InputFile(int fd) : fd_(fd) {}
    int fd_ = -1;
    std::size_t size_ = 0;
    long long mtimeNs_ = 0;
};

}  // namespace kk
