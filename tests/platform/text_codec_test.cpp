#include "platform/text_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace kk {
namespace {

struct LineEndCase {
    const char* in;
    const char* inside;   // after fromPlatformLineEnds
    const char* outside;  // toPlatformLineEnds of `inside`
};

TEST(TextCodec, LineEndCrossings) {
    const LineEndCase cases[] = {
        {"", "", ""},
        {"a\nb", "a\r\nb", "a\nb"},
        {"a\r\nb\r\n", "a\r\nb\r\n", "a\nb\n"},
        {"a\rb", "a\rb", "a\rb"},            // a lone CR stays
        {"\n\n", "\r\n\r\n", "\n\n"},
        {"x\r\r\ny", "x\r\r\ny", "x\r\ny"},  // CR then CR LF
        {"日本\n語", "日本\r\n語", "日本\n語"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fromPlatformLineEnds(c.in), c.inside) << c.in;
        EXPECT_EQ(toPlatformLineEnds(c.inside), c.outside) << c.in;
    }
}

TEST(TextCodec, Utf8Validation) {
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("plain ascii text that is longer than eight bytes"));
    EXPECT_TRUE(isValidUtf8("𠮷野家 🙂 ｶﾞ"));
    EXPECT_FALSE(isValidUtf8("\x82\xa0"));           // Shift_JIS あ
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));           // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));       // surrogate
    EXPECT_FALSE(isValidUtf8("abc\xE3\x81"));        // truncated
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));   // beyond U+10FFFF
}

// The block-wise check must agree with the byte-by-byte one wherever a fault
// sits: inside a block, across a block edge, in the tail.
TEST(TextCodec, Utf8ValidationAgreesWithReference) {
    std::mt19937 rng(7);
    const std::string pieces[] = {"a", " ", "あ", "𠮷", "ｶ", "é", "\x80", "\xC0\xAF", "\xED\xA0\x80", "\xE3\x81",
                                  "\xF4\x90\x80\x80", "\xF0\x9F", "\xFF", "\r\n"};
    for (int round = 0; round < 4000; ++round) {
        std::string s;
        const int len = static_cast<int>(rng() % 120);
        const bool clean = rng() % 2;  // half the texts valid, to test no false alarms
        while (static_cast<int>(s.size()) < len) s += pieces[rng() % (clean ? 6 : std::size(pieces))];
        ASSERT_EQ(isValidUtf8(s), isValidUtf8Scalar(s)) << testing::PrintToString(s);
    }
    const std::string big(1 << 16, 'x');
    for (std::size_t at : {0u, 31u, 32u, 33u, 63u, 64u, 65535u}) {
        for (const char* bad : {"\x80", "\xE3\x81", "\xF0\x9F\x99"}) {
            std::string s = big;
            s.replace(at, std::min(std::strlen(bad), s.size() - at), bad, std::min(std::strlen(bad), s.size() - at));
            EXPECT_FALSE(isValidUtf8(s)) << at << " " << testing::PrintToString(bad);
        }
        EXPECT_FALSE(isValidUtf8(big + "\xE3\x81"));
        EXPECT_TRUE(isValidUtf8(big + "あ"));
    }
}

// Written through the 1 MB buffer, with CR LF pairs on and next to the
// buffer's edges, the bytes equal the converted string.
TEST(TextCodec, WritingLineEndsEqualsConverting) {
    for (const std::size_t at : {(1u << 20) - 2, (1u << 20) - 1, 1u << 20}) {
        std::string text(3u << 20, 'x');
        for (std::size_t k = 0; k < text.size(); k += 997) text[k] = '\r';  // lone CRs
        text.replace(at, 2, "\r\n");
        text.replace(at + (1u << 20), 2, "\r\n");
        std::FILE* f = std::tmpfile();
        ASSERT_NE(f, nullptr);
        ASSERT_TRUE(writePlatformLineEnds(f, text));
        std::rewind(f);
        std::string back;
        char buf[65536];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) back.append(buf, n);
        std::fclose(f);
        EXPECT_TRUE(back == toPlatformLineEnds(text)) << at;
    }
}

TEST(TextCodec, ExternalBytesFallBackToCp932PerLine) {
    // Line 1 UTF-8, line 2 Shift_JIS "あい", line 3 UTF-8.
    const std::string bytes = "日本\r\n\x82\xa0\x82\xa2\r\n🙂";
    EXPECT_EQ(decodeExternalBytes(bytes), "日本\r\nあい\r\n🙂");
    // Bytes even CP932 cannot read become U+FFFD, never a crash.
    const std::string bad = decodeExternalBytes("\x80\xff");
    EXPECT_TRUE(isValidUtf8(bad));
}

TEST(TextCodec, Cp932ByteLength) {
    struct { const char* text; std::int64_t bytes; } cases[] = {
        {"", 0}, {"abc\r\n", 5}, {"ｶﾞ", 2}, {"あ漢", 4}, {"\\", 1},
        {"🙂", 4},   // CP932 lacks it: its UTF-8 length
        {"𠮷", 4},
    };
    for (const auto& c : cases) EXPECT_EQ(cp932ByteLength(c.text), c.bytes) << c.text;
}

TEST(TextCodec, CodePoints) {
    EXPECT_EQ(codePointCount("a𠮷ｶ"), 3);
    std::string s;
    appendUtf8(s, 0x20BB7);
    std::size_t pos = 0;
    EXPECT_EQ(nextCodePoint(s, pos), 0x20BB7u);
    EXPECT_EQ(pos, 4u);
}

}  // namespace
}  // namespace kk
