#include "convert/reverse_count.h"

#include <gtest/gtest.h>

#include <random>

namespace kk::convert {
namespace {

TEST(Xrev, Lines) {
    struct { const char* in; const char* out; } cases[] = {
        {"", ""},
        {"abc\n\nde", "cba\n\ned"},
        {"abc\n", "cba\n"},
        {"abc", "cba"},
        {"ab\ncd", "ba\ndc"},
        {"a\rb\n", "b\ra\n"},                  // a lone CR is a character of its line
        {"ab\r\n", "\rba\n"},                  // so is the CR of a pasted CR LF
        {"日本語", "語本日"},
        {"𠮷野家", "家野𠮷"},                     // surrogate pairs stay whole
        {"か\u3099き", "きか\u3099"},             // a combining mark stays with its letter
        {"ｶﾞｷ", "ｷｶﾞ"},                          // half-width voiced mark too
        {"a👍🏽b", "b👍🏽a"},                       // skin tone stays with its emoji
        {"x👨‍👩‍👧y", "y👨‍👩‍👧x"},
    };
    for (const auto& c : cases) EXPECT_EQ(xrev(c.in), c.out) << c.in;
}

// The quick paths for common scripts must cut clusters exactly where ICU does.
TEST(Xrev, QuickPathsAgreeWithIcu) {
    const char* pieces[] = {"a", " ", "\t", "\r", "\u00ad", "\u0085", "é", "\u0301", "あ", "\u3099", "ｶ", "ﾞ",
                            "ﾟ", "漢", "ア", "、", "👍", "🏽", "\u200d", "한", "\ufe0f", "Ａ"};
    std::mt19937 rng(11);
    for (int round = 0; round < 5000; ++round) {
        std::string line;
        const int n = 1 + static_cast<int>(rng() % 8);
        // Mostly from the quick set, sometimes anything.
        const std::size_t range = round % 3 ? 15 : std::size(pieces);
        for (int k = 0; k < n; ++k) line += pieces[rng() % range];
        ASSERT_EQ(xrev(line), reverseLineByClusters(line)) << testing::PrintToString(line);
    }
}

TEST(Counts, StatusLine) {
    struct { const char* in; const char* status; } cases[] = {
        {"", "0文字，0行，0バイト"},
        {"abc\n", "3文字，2行，5バイト"},          // a line end is 2 bytes, as CR LF in a file
        {"a\rb\nc", "4文字，2行，6バイト"},       // a lone CR is a character
        {"𠮷あ\nｱ", "3文字，2行，9バイト"},        // 𠮷: not in CP932, counts its UTF-8 length
    };
    for (const auto& c : cases) EXPECT_EQ(countStatus(countText(c.in)), c.status) << c.in;
}

TEST(Counts, Format) {
    EXPECT_EQ(formatCount(0), "0");
    EXPECT_EQ(formatCount(999), "999");
    EXPECT_EQ(formatCount(1234), "1,234");
    EXPECT_EQ(formatCount(1234567), "1,234,567");
    EXPECT_EQ(formatCount(5'000'000'000LL), "5,000,000,000");  // beyond 2^31
    EXPECT_EQ(formatCount(-1234), "-1,234");
}

}  // namespace
}  // namespace kk::convert
