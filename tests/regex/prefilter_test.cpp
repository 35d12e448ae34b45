// The prefilter's reading of patterns: the literal every match must hold, and
// whether a match stays within a line. A wrong literal or a wrong "line-local"
// would change results, so the unsure cases must give nothing.
#include "regex/prefilter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace kk::regex {
namespace {

TEST(Prefilter, ReadsLiteralsConservatively) {
    const Options none{}, multiline{.multiline = true}, caseless{.caseless = true}, dotall{.dotall = true},
        extended{.extended = true};
    const struct {
        const char* pattern;
        const Options& options;
        const char* literal;  // nullptr: no prefilter
        bool lineLocal;
    } cases[] = {
        {"(\\w+)@(\\w+)", none, "@", true},
        {"東京.*世界", none, "東京", true},
        {"東京.*世界", dotall, "東京", false},
        {"abc?d", none, "ab", true},      // c may be missing
        {"ab*cdef", none, "cdef", true},  // the longest run that must be there
        {"a+bc", none, "bc", true},       // a repeated: counted once, the run ends
        {"x(a|b)y", none, "x", true},
        {"a|b", none, nullptr, false},      // a top-level alternation: either may be missing
        {"(?i)abc", none, nullptr, false},  // inline options
        {"abc", caseless, nullptr, false},  // case folding reaches other bytes
        {"@a", caseless, "@", true},
        {"a b", extended, nullptr, false},
        {"a\\sb", none, "a", false},
        {"[^@]@", none, "@", false},
        {"[[:space:]]x", none, "x", false},
        {"[a-z]x", none, "x", true},
        {"ar$", none, "ar", false},
        {"ar$", multiline, "ar", true},
        {"^ba", none, "ba", true},
        {"(?<n>\\w)@\\k<n>", none, "@", true},  // the name is no literal
        {"a\\.b", none, "a.b", true},
        {"a\\x{41}", none, nullptr, false},
        {"a\\12", none, nullptr, false},  // may be octal
        {"(?=ab)c", none, "c", true},     // inside a lookahead is no required text
        {"a{2}b", none, "b", true},
        {"\\w*", none, nullptr, false},
        {"a\nbc", none, "bc", false},  // a raw line end is never part of the literal
    };
    for (const auto& c : cases) {
        const auto f = analysePattern(c.pattern, c.options);
        if (!c.literal) {
            EXPECT_FALSE(f) << c.pattern;
            continue;
        }
        ASSERT_TRUE(f) << c.pattern;
        EXPECT_EQ(f->literal, c.literal) << c.pattern;
        EXPECT_EQ(f->lineLocal, c.lineLocal) << c.pattern;
    }
}

// The byte search finds what a plain find finds, from any start, for
// needles whose first and last bytes are common in the text and rare.
TEST(Prefilter, FindLiteralAgreesWithFind) {
    std::mt19937 rng(5);
    const std::string pieces[] = {"あ", "ぅ", "カ", "a", "\n", "東京", "\xe3", "\x85"};
    const std::string needles[] = {"ぅ", "あぅ", "\nぅ", "東京", "aa", "\xe3\x81", "カ\nカ", "ぅぅぅぅ"};
    for (int round = 0; round < 300; ++round) {
        std::string text;
        for (int k = static_cast<int>(rng() % 120); k > 0; --k) text += pieces[rng() % std::size(pieces)];
        for (const std::string& needle : needles) {
            const std::size_t from = text.empty() ? 0 : rng() % (text.size() + 1);
            ASSERT_EQ(findLiteral(text, needle, from), std::string_view(text).find(needle, from)) << text;
        }
    }
    EXPECT_EQ(findLiteral("abc", "bc", 4), std::string_view::npos);
}

}  // namespace
}  // namespace kk::regex
