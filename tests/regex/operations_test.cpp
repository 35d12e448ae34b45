// The operations' own rules: line handling of xmatch and crdelSed, counting,
// errors that keep the text.
#include "regex/operations.h"
#include "regex/limits.h"

#include <gtest/gtest.h>

namespace kk::regex {
namespace {

struct Case {
    const char* command;
    const char* text;
    const char* expected;
};

TEST(Xmatch, LineRules) {
    const Case cases[] = {
        {"m/./", "", ""},
        {"m/a/", "abc", "abc\r\n"},                   // a last line without line end gains one
        {"m/./", "a\r\n\r\nb", "a\r\nb\r\n"},         // empty lines are dropped
        {"m/^ab$/", "a\nb", "ab\r\n"},                // a lone LF joins the pieces
        {"m/a\\rb/", "a\rb\r\nc", "a\rb\r\n"},        // a lone CR stays inside the line
        {"m/x/", "a\r\nb\r\n", ""},
        {"m/日本/", "日本語\r\n英語\r\n日本\r\n", "日本語\r\n日本\r\n"},
        {"m/\\x{3000}/", "全角　空白\r\nなし\r\n", "全角　空白\r\n"},
    };
    for (const auto& c : cases) {
        auto r = xmatch(c.command, c.text, 0);
        ASSERT_TRUE(r) << c.command << ": " << r.error().message;
        EXPECT_EQ(r.value(), c.expected) << c.command;
    }
}

TEST(Xmatch, Invert) {
    EXPECT_EQ(xmatch("m/./", "a\r\nb\r\n", 1).value(), "");
    EXPECT_EQ(xmatch("m/a/", "a\r\nb\r\n\r\nc", 1).value(), "b\r\nc\r\n");
}

TEST(CrdelSed, AnchoredReplace) {
    const Case cases[] = {
        {"s/^/> /gk", "a\r\nb\r\n", "> a\r\n> b\r\n"},
        {"s/ +$//gk", "a  \r\nb \r\nc", "a\r\nb\r\nc"},
        {"s/^q//gk", "x\ry\nz", "xy\r\nz"},          // lone CR removed, lone LF becomes CR LF
        {"s/^a$/b/", "a\r\na\r\n", "b\r\na\r\n"},     // without g: the first line only
    };
    for (const auto& c : cases) {
        auto r = crdelSed(c.command, c.text);
        ASSERT_TRUE(r) << c.command << ": " << r.error().message;
        EXPECT_EQ(r.value(), c.expected) << c.command;
    }
}

TEST(CountString, CountsOneCharacter) {
    EXPECT_EQ(CountString("s/a/b/gk", "/"), 3);
    EXPECT_EQ(CountString("m/a/gk", "/"), 2);
    EXPECT_EQ(CountString("s/a/b/gk", "//"), 0);
    EXPECT_EQ(CountString("", "/"), 0);
    EXPECT_EQ(CountString("あいあ", "あ"), 2);
    const std::string big(100000, '/');  // no 16-bit bound
    EXPECT_EQ(CountString(big, "/"), 100000);
}

TEST(Errors, CarryColumnAndKeepNothing) {
    struct { const char* command; std::int64_t column; const char* contains; } cases[] = {
        {"s/(a/b/", 4, "bad pattern"},
        {"s/a/b/q", 6, "unknown option"},
        {"s/a/b/e", 6, "not supported"},
        {"s/a/b", 5, "missing closing"},
        {"s/あ(/x/", 4, "bad pattern"},    // columns count characters, not bytes
        {"s/a/$2/", 4, "group 2"},
        {"tr/z-a//", 3, "invalid range"},
        {"tr/a/b/x", 7, "unknown option"},
    };
    for (const auto& c : cases) {
        auto r = applyCommand(c.command, "text");
        ASSERT_FALSE(r) << c.command;
        EXPECT_EQ(r.error().column, c.column) << c.command << ": " << r.error().message;
        EXPECT_NE(r.error().message.find(c.contains), std::string::npos) << r.error().message;
    }
}

TEST(Limits, CatastrophicPatternReportsTooComplex) {
    const std::string text = std::string(40, 'a') + "b";
    auto r = xRep("s/(a+)+$//", text);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, kTooComplexMessage);
}

TEST(Cancel, LongLoopStops) {
    std::atomic<bool> flag{true};
    const std::string text(1 << 20, 'a');
    auto r = xRep("s/a/b/g", text, &flag);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, kCancelledMessage);
}

}  // namespace
}  // namespace kk::regex
