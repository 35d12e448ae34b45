// Standard input, mapped when it is a regular file, else read to the end.
#include "platform/input_bytes.h"

#include <cerrno>
#include <vector>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#define KK_HAVE_MMAP 1
#else
#include <cstdio>
#endif

namespace kk {

InputBytes::InputBytes(InputBytes&& other) noexcept
    : owned_(std::move(other.owned_)), map_(other.map_), mapSize_(other.mapSize_) {
    other.map_ = nullptr;
    other.mapSize_ = 0;
}

InputBytes::~InputBytes() {
#ifdef KK_HAVE_MMAP
    if (map_) munmap(const_cast<char*>(map_), mapSize_);
#endif
}

InputBytes InputBytes::fromStdin() {
    InputBytes in;
#ifdef KK_HAVE_MMAP
    struct stat st {};
    if (fstat(STDIN_FILENO, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        const off_t offset = lseek(STDIN_FILENO, 0, SEEK_CUR);  // "< file" starts at 0, but a shared fd may not
        if (offset == 0) {
            void* p = mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, STDIN_FILENO, 0);
            if (p != MAP_FAILED) {
                madvise(p, static_cast<std::size_t>(st.st_size), MADV_SEQUENTIAL);
                in.map_ = static_cast<const char*>(p);
                in.mapSize_ = static_cast<std::size_t>(st.st_size);
                return in;
            }
        }
        in.owned_.reserve(static_cast<std::size_t>(st.st_size) + 1);
    }
    std::vector<char> buf(1 << 20);
    while (true) {
        const ssize_t n = read(STDIN_FILENO, buf.data(), buf.size());
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        in.owned_.append(buf.data(), static_cast<std::size_t>(n));
    }
#else
    std::vector<char> buf(1 << 20);
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), stdin)) > 0) in.owned_.append(buf.data(), n);
#endif
    return in;
}

}  // namespace kk
