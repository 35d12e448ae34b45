#include "core/big_buffer.h"

#include <sys/mman.h>
#include <algorithm>
#include <cstdint>

namespace kk {

namespace {

constexpr std::size_t kHuge = std::size_t{2} << 20;

// Advises huge pages over the unused room of a big buffer: only whole huge
// pages inside it, and only a hint (a kernel without them ignores it).
void adviseHuge(std::string& s) {
    if (s.capacity() < 4 * kHuge) return;
    const auto begin = reinterpret_cast<std::uintptr_t>(s.data() + s.size());
    const std::uintptr_t from = (begin + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(s.data()) + s.capacity()) & ~(kHuge - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

}  // namespace

void reserveText(std::string& s, std::size_t bytes) {
    if (bytes <= s.capacity()) return;
    if (s.empty()) {
        s.reserve(bytes);
        adviseHuge(s);
        return;
    }
    // A text already there is copied after the advice, so its new pages
    // are huge ones too.
    std::string bigger;
    bigger.reserve(bytes);
    adviseHuge(bigger);
    bigger.append(s);
    s.swap(bigger);
}

void growText(std::string& s, std::size_t more) {
    if (s.capacity() - s.size() >= more) return;
    reserveText(s, std::max(s.capacity() * 2, s.size() + more));
}

}  // namespace kk
