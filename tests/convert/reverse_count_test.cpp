#include "convert/reverse_count.h"
#include "../support/run_tool.h"
#include "core/text_codec.h"

#include <gtest/gtest.h>

#include <random>

namespace kk::convert {
namespace {

TEST(Xrev, Lines) {
    struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"", ""},
        {"abc\n\nde", "cba\n\ned"},
        {"abc\n", "cba\n"},
        {"abc", "cba"},
        {"ab\ncd", "ba\ndc"},
        {"a\rb\n", "b\ra\n"},  // a lone CR is a character of its line
        {"ab\r\ncd\r\n", "ba\r\ndc\r\n"},  // each line keeps its CR LF
        {"ab\r\ncd\nef", "ba\r\ndc\nfe"},
        {"日本語", "語本日"},
        {"𠮷野家", "家野𠮷"},          // surrogate pairs stay whole
        {"か\u3099き", "きか\u3099"},  // a combining mark stays with its letter
        {"ｶﾞｷ", "ｷｶﾞ"},                // half-width voiced mark too
        {"a👍🏽b", "b👍🏽a"},  // skin tone stays with its emoji
        {"x👨‍👩‍👧y", "y👨‍👩‍👧x"},
    };
    for (const auto& c : cases) EXPECT_EQ(xrev(c.in), c.out) << c.in;
}

// The quick paths for common scripts must cut clusters exactly where ICU does.
TEST(Xrev, QuickPathsAgreeWithIcu) {
    const char* pieces[] = {"a", " ", "\t", "\r", "\u00ad", "\u0085", "é",    "\u0301", "あ", "\u3099", "ｶ",
                            "ﾞ", "ﾟ", "漢", "ア", "、",     "👍",      "🏽", "\u200d", "한", "\ufe0f", "Ａ"};
    std::mt19937 rng(11);
    for (int round = 0; round < 5000; ++round) {
        std::string line;
        const int n = 1 + static_cast<int>(rng() % 8);
        // Mostly from the quick set, sometimes anything.
        const std::size_t range = round % 3 ? 15 : std::size(pieces);
        for (int k = 0; k < n; ++k) line += pieces[rng() % range];
        ASSERT_EQ(xrev(line), reverseLineByClusters(line)) << ::testing::PrintToString(line);
    }
}

TEST(Counts, StatusLine) {
    struct {
        const char* in;
        const char* status;
    } cases[] = {
        {"", "0文字，0行，0バイト"},
        {"abc\n", "3文字，2行，5バイト"},    // a line end is 2 bytes, as CR LF in a file
        {"a\rb\nc", "4文字，2行，6バイト"},  // a lone CR is a character
        {"𠮷あ\nｱ", "3文字，2行，9バイト"},  // 𠮷: not in CP932, counts its UTF-8 length
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

namespace kk::convert {
namespace {

// The byte count takes every BMP character's length as CP932 has it: the
// same as iconv's CP932 for all of them (one iconv run over a line a
// character; what it cannot convert counts its UTF-8 length).
TEST(Counts, ByteCountAgreesWithIconvCp932) {
    std::string lines;
    std::vector<char32_t> cps;
    for (char32_t c = 0x80; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        cps.push_back(c);
        appendUtf8(lines, c);
        lines += '\n';
    }
    auto converted = kk::testing::runTool("iconv", {"-c", "-t", "CP932"}, lines);
    ASSERT_TRUE(converted) << "iconv is needed for this test";
    std::size_t at = 0, mismatches = 0;
    for (const char32_t c : cps) {
        const std::size_t lf = converted->find('\n', at);
        ASSERT_NE(lf, std::string::npos);
        std::string ch;
        appendUtf8(ch, c);
        const std::int64_t theirs = lf > at ? static_cast<std::int64_t>(lf - at) : static_cast<std::int64_t>(ch.size());
        at = lf + 1;
        const std::int64_t ours = countText(ch).bytes;
        if (ours != theirs && ++mismatches <= 20)
            ADD_FAILURE() << "U+" << std::hex << static_cast<std::uint32_t>(c) << ": " << ours << " vs " << theirs;
    }
    EXPECT_EQ(mismatches, 0u);
}

}  // namespace
}  // namespace kk::convert
