// UTF-8 validation, on its own: small programs that only check bytes (the
// clipboard keeper) link this and no converter.
#include "core/text_codec.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <array>
#include <cstdint>
#include <cstring>

namespace kk {

bool isValidUtf8Scalar(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    auto cont = [](unsigned char b) { return (b & 0xC0) == 0x80; };
    while (p < end) {
        // ASCII runs, sixteen bytes at a time.
        while (end - p >= 16) {
            std::uint64_t a, b;
            std::memcpy(&a, p, 8);
            std::memcpy(&b, p + 8, 8);
            if ((a | b) & 0x8080808080808080ULL) break;
            p += 16;
        }
        // Then character by character until the next ASCII run; the ranges
        // exclude overlong forms, surrogates and code points past U+10FFFF.
        while (p < end) {
            const unsigned c = *p;
            if (c < 0x80) {
                ++p;
                if (end - p >= 16 && *p < 0x80) break;
                continue;
            }
            if (c < 0xE0) {
                if (c < 0xC2 || end - p < 2 || !cont(p[1])) return false;
                p += 2;
            } else if (c < 0xF0) {
                if (end - p < 3 || !cont(p[1]) || !cont(p[2])) return false;
                if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] > 0x9F)) return false;
                p += 3;
            } else {
                if (c > 0xF4 || end - p < 4 || !cont(p[1]) || !cont(p[2]) || !cont(p[3])) return false;
                if ((c == 0xF0 && p[1] < 0x90) || (c == 0xF4 && p[1] > 0x8F)) return false;
                p += 4;
            }
        }
    }
    return true;
}

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define KK_UTF8_AVX2 1
namespace {

// Every text from outside is checked, so the check runs at memory speed: 32
// bytes a step by table lookups on each byte pair's nibbles (a byte pair
// either fits one of a few legal shapes or sets an error bit), plus a check
// that the second and third bytes after a 3- or 4-byte lead are continuations.
__attribute__((target("avx2"))) inline __m256i load(const std::array<std::uint8_t, 32>& t) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t.data()));
}

__attribute__((target("avx2"))) bool validUtf8Avx2(const unsigned char* p, std::size_t n, std::size_t& done) {
    constexpr std::uint8_t TOO_SHORT = 1 << 0, TOO_LONG = 1 << 1, OVERLONG_3 = 1 << 2, TOO_LARGE = 1 << 3,
                           SURROGATE = 1 << 4, OVERLONG_2 = 1 << 5, TOO_LARGE_1000 = 1 << 6, OVERLONG_4 = 1 << 6,
                           TWO_CONTS = 1 << 7;
    constexpr std::uint8_t CARRY = TOO_SHORT | TOO_LONG | TWO_CONTS;
    // A 16-entry nibble table, repeated for the lookup's two 128-bit lanes.
    auto table = [](std::initializer_list<std::uint8_t> v) {
        std::array<std::uint8_t, 32> t{};
        std::size_t i = 0;
        for (auto b : v) t[i] = t[i + 16] = b, ++i;
        return t;
    };
    const __m256i byte1High =
        load(table({TOO_LONG, TOO_LONG, TOO_LONG, TOO_LONG, TOO_LONG, TOO_LONG, TOO_LONG, TOO_LONG, TWO_CONTS,
                    TWO_CONTS, TWO_CONTS, TWO_CONTS, TOO_SHORT | OVERLONG_2, TOO_SHORT,
                    TOO_SHORT | OVERLONG_3 | SURROGATE, TOO_SHORT | TOO_LARGE | TOO_LARGE_1000 | OVERLONG_4}));
    constexpr std::uint8_t L = CARRY | TOO_LARGE | TOO_LARGE_1000;
    const __m256i byte1Low = load(table({CARRY | OVERLONG_3 | OVERLONG_2 | OVERLONG_4, CARRY | OVERLONG_2, CARRY, CARRY,
                                         CARRY | TOO_LARGE, L, L, L, L, L, L, L, L, L | SURROGATE, L, L}));
    constexpr std::uint8_t C = TOO_LONG | OVERLONG_2 | TWO_CONTS;
    const __m256i byte2High =
        load(table({TOO_SHORT, TOO_SHORT, TOO_SHORT, TOO_SHORT, TOO_SHORT, TOO_SHORT, TOO_SHORT, TOO_SHORT,
                    C | OVERLONG_3 | TOO_LARGE_1000 | OVERLONG_4, C | OVERLONG_3 | TOO_LARGE, C | SURROGATE | TOO_LARGE,
                    C | SURROGATE | TOO_LARGE, TOO_SHORT, TOO_SHORT, TOO_SHORT, TOO_SHORT}));
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i third = _mm256_set1_epi8(static_cast<char>(0xE0 - 0x80));
    const __m256i fourth = _mm256_set1_epi8(static_cast<char>(0xF0 - 0x80));
    const __m256i high = _mm256_set1_epi8(static_cast<char>(0x80));
    __m256i prev = _mm256_setzero_si256(), error = _mm256_setzero_si256();
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i in = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
        if (_mm256_movemask_epi8(_mm256_or_si256(in, prev)) == 0) {
            prev = in;  // ASCII after ASCII: nothing to check
            continue;
        }
        const __m256i carried = _mm256_permute2x128_si256(prev, in, 0x21);
        const __m256i prev1 = _mm256_alignr_epi8(in, carried, 15);
        const __m256i prev2 = _mm256_alignr_epi8(in, carried, 14);
        const __m256i prev3 = _mm256_alignr_epi8(in, carried, 13);
        const __m256i sc = _mm256_and_si256(
            _mm256_and_si256(_mm256_shuffle_epi8(byte1High, _mm256_and_si256(_mm256_srli_epi16(prev1, 4), nibble)),
                             _mm256_shuffle_epi8(byte1Low, _mm256_and_si256(prev1, nibble))),
            _mm256_shuffle_epi8(byte2High, _mm256_and_si256(_mm256_srli_epi16(in, 4), nibble)));
        const __m256i must23 =
            _mm256_and_si256(_mm256_or_si256(_mm256_subs_epu8(prev2, third), _mm256_subs_epu8(prev3, fourth)), high);
        error = _mm256_or_si256(error, _mm256_xor_si256(must23, sc));
        prev = in;
        if ((i & 0xFFFF) == 0 && !_mm256_testz_si256(error, error)) return false;
    }
    done = i;
    return _mm256_testz_si256(error, error);
}

}  // namespace
#endif

bool isValidUtf8(std::string_view s) {
#ifdef KK_UTF8_AVX2
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2 && s.size() >= 64) {
        const auto* p = reinterpret_cast<const unsigned char*>(s.data());
        std::size_t done = 0;
        if (!validUtf8Avx2(p, s.size(), done)) return false;
        // The last character may run past the checked blocks: check the
        // rest from its first byte on.
        std::size_t from = done - 3;
        while (from < done && (p[from] & 0xC0) == 0x80) ++from;
        return isValidUtf8Scalar(s.substr(from));
    }
#endif
    return isValidUtf8Scalar(s);
}

char32_t nextCodePoint(std::string_view s, std::size_t& pos) {
    const auto c = static_cast<unsigned char>(s[pos]);
    if (c < 0x80) {
        ++pos;
        return c;
    }
    int n = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
    char32_t cp = c & (0x3F >> n);
    ++pos;
    for (int i = 0; i < n && pos < s.size(); ++i, ++pos) cp = (cp << 6) | (static_cast<unsigned char>(s[pos]) & 0x3F);
    return cp;
}

}  // namespace kk
