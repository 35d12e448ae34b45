// Budgets every user pattern runs under, so no pattern can hang the program.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kk::regex {

struct Limits {
    std::uint32_t matchLimit = 20'000'000;    // backtracking steps per match attempt
    std::uint32_t depthLimit = 1'000'000;     // nested backtracking (interpreter)
    std::uint32_t heapLimitKiB = 512 * 1024;  // interpreter heap
    // The JIT stack is reserved, not used: pages come as a match goes deeper.
    // A linear pattern that repeats a group, like (a|b)*c, takes about 32
    // bytes of it per character of one line, so this serves lines of 16 MB;
    // a pattern that backtracks without end still stops at matchLimit.
    std::size_t jitStackMax = std::size_t{512} << 20;
    bool jit = true;  // off: the interpreter alone (the JIT's reference)
};

}  // namespace kk::regex
