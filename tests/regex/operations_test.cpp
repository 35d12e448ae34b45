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
        {"m/a/", "abc", "abc\n"},                 // a last line without line end gains one
        {"m/./", "a\n\nb", "a\nb\n"},             // empty lines are dropped
        {"m/^a$/", "a\nb", "a\n"},                // LF ends a line
        {"m/a\\rb/", "a\rb\nc", "a\rb\n"},        // a lone CR stays inside the line
        {"m/c$/", "abc\r\nc\n", "c\n"},           // as perl: "$" does not skip a CR
        {"m/x/", "a\nb\n", ""},
        {"m/日本/", "日本語\n英語\n日本\n", "日本語\n日本\n"},
        {"m/\\x{3000}/", "全角　空白\nなし\n", "全角　空白\n"},
    };
    for (const auto& c : cases) {
        auto r = xmatch(c.command, c.text, 0);
        ASSERT_TRUE(r) << c.command << ": " << r.error().message;
        EXPECT_EQ(r.value(), c.expected) << c.command;
    }
}

TEST(Xmatch, Invert) {
    EXPECT_EQ(xmatch("m/./", "a\nb\n", 1).value(), "");
    EXPECT_EQ(xmatch("m/a/", "a\nb\n\nc", 1).value(), "b\nc\n");
}

TEST(CrdelSed, AnchoredReplace) {
    const Case cases[] = {
        {"s/^/> /gk", "a\nb\n", "> a\n> b\n"},
        {"s/ +$//gk", "a  \nb \nc", "a\nb\nc"},
        {"s/^q//gk", "x\ry\nz", "x\ry\nz"},      // a lone CR is a character: nothing changes
        {"s/^a$/b/", "a\na\n", "b\na\n"},        // without g: the first line only
    };
    for (const auto& c : cases) {
        auto r = crdelSed(c.command, c.text);
        ASSERT_TRUE(r) << c.command << ": " << r.error().message;
        EXPECT_EQ(r.value(), c.expected) << c.command;
    }
}

// The four characters \r\n that the multi-line helper writes stand for one
// line end in a pattern and a replacement; tr lists take them as written.
TEST(LineEnds, HelperFormIsOneLineEnd) {
    const Case cases[] = {
        {"s/a\\r\\nb/X/g", "a\nb a\nb", "X X"},
        {"s/\\n/\\r\\n\\r\\n/g", "a\nb", "a\n\nb"},
        {"s/\\\\r\\\\n/X/", "\\r\\n", "X"},          // an escaped backslash is not the helper's form
        {"s/\\n//g", "a\nb\nc\n", "abc"},            // joining lines leaves no CR behind
        {"s/\\s/X/g", "a\nb", "aXb"},                // one line end is one white space
        {"m/^b$/m", "a\nb\n", "b\n"},
        {"tr/\\n/ /", "a\nb", "a b"},
    };
    for (const auto& c : cases) {
        auto r = applyCommand(c.command, c.text);
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
