#include "core/big_buffer.h"

#include <sys/mman.h>
#include <cstdint>

namespace kk {

void reserveText(std::string& s, std::size_t bytes) {
    s.reserve(bytes);
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    if (s.capacity() < 4 * kHuge) return;
    // Only whole huge pages inside the buffer; the advice is a hint, so a
    // kernel without them simply ignores it.
    const auto begin = reinterpret_cast<std::uintptr_t>(s.data());
    const std::uintptr_t from = (begin + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t to = (begin + s.capacity()) & ~(kHuge - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

}  // namespace kk
