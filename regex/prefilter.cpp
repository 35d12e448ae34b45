// A conservative reading of PCRE2 pattern syntax: anything not understood
// here gives up the prefilter, never a different result.
#include "regex/prefilter.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <cstdint>
#include <cstring>

namespace kk::regex {

namespace {

bool isAsciiLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool isAsciiDigit(unsigned char c) { return c >= '0' && c <= '9'; }

std::size_t utf8Length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    return 2;
}

// Escapes understood here whose matches never hold a line end (outside a class).
bool lineSafeEscape(char c) { return std::strchr("wdbBhtefaKk123456789g", c) != nullptr && c != '\0'; }

// The end of a character class [...] (the index after its "]"), npos when it
// is beyond this reading; `mayMatchLineEnd` when LF could be in it (negated,
// a POSIX name, an escape other than punctuation, \w and \d).
std::size_t classEnd(std::string_view p, std::size_t at, bool& mayMatchLineEnd) {
    std::size_t i = at + 1;
    if (i < p.size() && p[i] == '^') {
        mayMatchLineEnd = true;
        ++i;
    }
    if (i < p.size() && p[i] == ']') ++i;  // a leading "]" is literal
    for (; i < p.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        if (c == ']') return i + 1;
        if (c == '[' && i + 1 < p.size() && (p[i + 1] == ':' || p[i + 1] == '=' || p[i + 1] == '.')) {
            const std::size_t end = p.find(std::string{p[i + 1], ']'}, i + 2);
            if (end == std::string_view::npos) return std::string_view::npos;
            mayMatchLineEnd = true;
            i = end + 1;
            continue;
        }
        if (c < 0x20) mayMatchLineEnd = true;
        if (c == '\\') {
            if (i + 1 >= p.size()) return std::string_view::npos;
            const unsigned char e = static_cast<unsigned char>(p[++i]);
            if (e == 'x' || e == 'o' || e == 'p' || e == 'P' || e == 'N' || e == 'Q' || e == 'c')
                return std::string_view::npos;
            if (e != 'w' && e != 'd' && (isAsciiLetter(e) || isAsciiDigit(e) || e >= 0x80)) mayMatchLineEnd = true;
        }
    }
    return std::string_view::npos;
}

}  // namespace

std::optional<Prefilter> analysePattern(std::string_view p, const Options& o) {
    if (p.empty() || o.extended || o.extendedMore) return std::nullopt;
    Prefilter result;
    result.lineLocal = true;
    std::string run, best;
    auto endRun = [&] {
        if (run.size() > best.size()) best = run;
        run.clear();
    };
    int depth = 0;
    bool topLevelAlternation = false;
    for (std::size_t i = 0; i < p.size();) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        if (c < 0x20) {
            // A raw control character, a line end among them: no part of a
            // literal searched for within lines.
            result.lineLocal = false;
            endRun();
            ++i;
            continue;
        }
        // One atom: its bytes if it is a literal character, and where it ends.
        std::string literal;
        std::size_t next = i + 1;
        if (c == '\\') {
            if (i + 1 >= p.size()) return std::nullopt;
            const unsigned char e = static_cast<unsigned char>(p[i + 1]);
            next = i + 2;
            if (!isAsciiLetter(e) && !isAsciiDigit(e) && e < 0x80) {
                literal.assign(1, static_cast<char>(e));  // escaped punctuation is itself
            } else if (isAsciiDigit(e) && i + 2 < p.size() && isAsciiDigit(static_cast<unsigned char>(p[i + 2]))) {
                return std::nullopt;  // \12 may be an octal character
            } else if (e == 'N' && !(i + 2 < p.size() && p[i + 2] == '{')) {
                // any character but a line end
            } else if (std::strchr("sSWDRvVnrHAzZG", static_cast<char>(e))) {
                result.lineLocal = false;  // may match, or look at, a line end or the text's edges
            } else if (!lineSafeEscape(static_cast<char>(e)) || e == '0') {
                return std::nullopt;  // \x.. \p{..} \Q \c \N{..} \X ...: beyond this reading
            } else if (e == 'k' || e == 'g') {
                // A back reference by name or number: \k<n> \k{n} \k'n' \g{n} \g1 \g-1.
                if (next < p.size() && std::strchr("<{'", p[next])) {
                    const char close = p[next] == '<' ? '>' : p[next] == '{' ? '}' : '\'';
                    const std::size_t end = p.find(close, next + 1);
                    if (end == std::string_view::npos) return std::nullopt;
                    next = end + 1;
                } else {
                    if (next < p.size() && (p[next] == '-' || p[next] == '+')) ++next;
                    while (next < p.size() && isAsciiDigit(static_cast<unsigned char>(p[next]))) ++next;
                }
            }
        } else if (c == '[') {
            bool mayMatchLineEnd = false;
            next = classEnd(p, i, mayMatchLineEnd);
            if (next == std::string_view::npos) return std::nullopt;
            if (mayMatchLineEnd) result.lineLocal = false;
        } else if (c == '(') {
            if (i + 1 < p.size() && p[i + 1] == '?') {
                // Groups and lookarounds only; inline options, conditions,
                // recursion and comments are beyond this reading.
                const std::string_view rest = p.substr(i + 2);
                const bool known = rest.starts_with(":") || rest.starts_with("=") || rest.starts_with("!") ||
                                   rest.starts_with("<=") || rest.starts_with("<!") || rest.starts_with(">") ||
                                   rest.starts_with("|") ||
                                   (rest.starts_with("<") && rest.size() > 1 &&
                                    (isAsciiLetter(static_cast<unsigned char>(rest[1])) || rest[1] == '_')) ||
                                   rest.starts_with("P<");
                if (!known) return std::nullopt;
            } else if (i + 1 < p.size() && p[i + 1] == '*') {
                return std::nullopt;  // (*VERB)
            }
            ++depth;
            endRun();
            i = next;
            continue;
        } else if (c == ')') {
            --depth;
            endRun();
            i = next;
            continue;
        } else if (c == '|') {
            if (depth == 0) topLevelAlternation = true;
            endRun();
            i = next;
            continue;
        } else if (c == '.') {
            if (o.dotall) result.lineLocal = false;
        } else if (c == '$') {
            if (!o.multiline) result.lineLocal = false;  // "$" before a final line end reads past the line
        } else if (c == '^') {
            // at the text's start (or a line's with /m): the same on a line's search
        } else if (c == '?' || c == '*' || c == '+' || c == '{') {
            // A quantifier: the atom before it may be missing or repeated.
            endRun();
            if (c == '{') {
                const std::size_t close = p.find('}', i);
                next = close == std::string_view::npos ? i + 1 : close + 1;
            }
            i = next;
            continue;
        } else {
            next = i + utf8Length(c);
            if (next > p.size()) return std::nullopt;
            literal.assign(p.substr(i, next - i));
        }
        // A literal that may be missing (?, *, {) does not count; one
        // repeated (+) counts once and ends the run.
        const char after = next < p.size() ? p[next] : '\0';
        const bool optional = after == '?' || after == '*' || after == '{';
        if (depth == 0 && !literal.empty() && !optional) {
            if (o.caseless) {
                // Case folding may reach other bytes (K and the Kelvin sign):
                // only characters without case are searched as bytes.
                for (const unsigned char b : literal)
                    if (b >= 0x80 || isAsciiLetter(b)) literal.clear();
            }
            if (literal.empty()) {
                endRun();
            } else {
                run += literal;
                if (after == '+') endRun();
            }
        } else {
            endRun();
        }
        i = next;
    }
    endRun();
    if (topLevelAlternation || best.empty()) return std::nullopt;
    result.literal = std::move(best);
    return result;
}

namespace {

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define KK_FIND_AVX2 1
// Japanese text is full of a needle's first byte (E3 leads every kana), so a
// search that stops at each of them crawls: 32 places a step are tested for
// the needle's first and last bytes together, and only where both agree are
// the bytes between compared. Returns the offset in [0, n) or n.
__attribute__((target("avx2"))) std::size_t findPairsAvx2(const char* s, std::size_t n, std::string_view needle) {
    const std::size_t k = needle.size();
    const __m256i first = _mm256_set1_epi8(needle.front()), last = _mm256_set1_epi8(needle.back());
    std::size_t i = 0;
    for (; i + k - 1 + 32 <= n; i += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + k - 1));
        auto mask = static_cast<std::uint32_t>(
            _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, last))));
        for (; mask; mask &= mask - 1) {
            const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
            if (std::memcmp(s + at + 1, needle.data() + 1, k - 2) == 0) return at;
        }
    }
    const void* hit = ::memmem(s + i, n - i, needle.data(), k);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - s) : n;
}
#endif

}  // namespace

std::size_t findLiteral(std::string_view text, std::string_view needle, std::size_t from) {
    if (from > text.size()) return std::string_view::npos;
    const char* s = text.data() + from;
    const std::size_t n = text.size() - from;
#ifdef KK_FIND_AVX2
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2 && needle.size() >= 2) {
        const std::size_t at = findPairsAvx2(s, n, needle);
        return at < n ? from + at : std::string_view::npos;
    }
#endif
    const void* hit = ::memmem(s, n, needle.data(), needle.size());
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : std::string_view::npos;
}

}  // namespace kk::regex
