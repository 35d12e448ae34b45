// Budgets every user pattern runs under, so no pattern can hang the program.
#pragma once

#include <cstdint>

namespace kk::regex {

struct Limits {
    std::uint32_t matchLimit = 20'000'000;   // backtracking steps per match attempt
    std::uint32_t depthLimit = 1'000'000;    // nested backtracking (interpreter)
    std::uint32_t heapLimitKiB = 512 * 1024; // interpreter heap
    std::size_t jitStackMax = 16 * 1024 * 1024;
};

inline constexpr const char* kTooComplexMessage = "pattern too complex for this text";

}  // namespace kk::regex
