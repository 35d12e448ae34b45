// The command syntax users bring from Perl one-liners.
#include "regex/operations.h"

#include <gtest/gtest.h>

namespace kk::regex {
namespace {

struct Case {
    const char* command;
    const char* text;
    const char* expected;
};

TEST(Substitute, Syntax) {
    const Case cases[] = {
        {"s/foo/bar/", "foo foo", "bar foo"},
        {"s/foo/bar/g", "foo foo", "bar bar"},
        {"s/FOO/x/gi", "foo Foo", "x x"},
        {"s/a\\/b/c/g", "a/b", "c"},
        {"s/(\\w+) (\\w+)/$2 $1/", "hello world", "world hello"},
        {"s/(\\w+) (\\w+)/\\2 \\1/", "hello world", "world hello"},
        {"s/(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)/${10}$1/", "abcdefghij", "ja"},
        {"s/o/[$&]/g", "foo", "f[o][o]"},
        {"s/x/\\r\\n\\t\\\\\\/\\$/", "x", "\r\n\t\\/$"},
        {"s/x/\\x{3042}\\x41/", "x", "あA"},
        {"s/(\\w+)/\\u$1/g", "hello world", "Hello World"},
        {"s/(\\w+)/\\U$1\\E!/", "hello world", "HELLO! world"},
        {"s/(\\w+)/\\L\\u$1/g", "hELLO wORLD", "Hello World"},
        {"s/(\\w+)/\\u\\L$1/g", "hELLO", "Hello"},
        {"s/x*/-/g", "axb", "-a--b-"},  // Perl's empty-match rule
        {"s//-/g", "ab", "-a-b-"},
        {"s/\\s+/_/g", "a　b\tc", "a_b_c"},  // \s takes the ideographic space
        {"s/\\p{Han}+/[漢]/g", "日本語とかな", "[漢]とかな"},
        {"s/\\p{Katakana}/K/g", "アいウ", "KいK"},
        {"s/\\d/#/g", "1２3", "###"},             // Unicode digits, as Perl
        {"s/./x/g", "a\r\nb", "xx\nx"},           // "." takes CR but not LF
        {"s/b$/X/", "a\r\nb\r\n", "a\r\nb\r\n"},  // "$" is before the final LF, the CR stands between
        {"s/\\r$/X/", "a\r\nb\r\n", "a\r\nbX\n"},
        {"s/a b # note\n/x/x", "ab", "x"},
        {"s/e$/E/m", "one\ntwo\nthree", "onE\ntwo\nthree"},
        {"s/a.b/x/s", "a\nb", "x"},
        {"s/ｶﾞ/ガ/gk", "ｶﾞｶﾞ", "ガガ"},
        {"s/a/$x@y/", "a", "$x@y"},  // no variable interpolation
    };
    for (const auto& c : cases) {
        auto r = xRep(c.command, c.text);
        ASSERT_TRUE(r) << c.command << ": " << r.error().message;
        EXPECT_EQ(r.value(), c.expected) << c.command;
    }
}

TEST(Translate, Syntax) {
    const Case cases[] = {
        {"tr/a-z/A-Z/", "hello, World", "HELLO, WORLD"},
        {"tr/abc/x/", "aabbcc", "xxxxxx"},  // a shorter list repeats its last character
        {"tr/abc/xy/d", "abcabc", "xyxy"},
        {"tr/a-z//d", "a1b2", "12"},
        {"tr/a-z//cd", "a1b2", "ab"},
        {"tr/a-zA-Z/ /cs", "ab12,,cd", "ab cd"},
        {"tr/a//s", "aaabaa", "aba"},
        {"tr/a-z/*/s", "ab cd", "* *"},
        {"tr/ぁ-ん/ァ-ン/", "ひらがな", "ヒラガナ"},
        {"tr/\\-a/_b/", "a-b", "b_b"},
        {"tr/a-/xy/", "a-", "xy"},
        {"tr/[A-Z]/[a-z]/gk", "[AB]", "[ab]"},
        {"tr/\\x{3042}/x/", "あい", "xい"},
        {"tr/aa/xy/", "a", "x"},  // the first mention wins
        {"tr/abc//", "abc", "abc"},
        {"tr/\\n/ /", "a\nb", "a b"},
        {"tr/a-c/A-C/r", "abc", "ABC"},
        {"tr/😀/x/", "😀😀", "xx"},
        // Lists whose characters share a first byte, or not, at a text's edges.
        {"tr/aあ/bア/", "aあxあa", "bアxアb"},
        {"tr/あa/アb/", "aあ", "bア"},
        {"tr/ぁ-ん/ァ-ン/s", "ああ漢ああ", "ア漢ア"},
        {"tr/ぁ-ん/ァ-ン/", "漢字のみ", "漢字ノミ"},
        {"tr/ぁ-ん//d", "かな漢", "漢"},
    };
    for (const auto& c : cases) {
        auto r = xtrans(c.command, c.text);
        ASSERT_TRUE(r) << c.command << ": " << r.error().message;
        EXPECT_EQ(r.value(), c.expected) << c.command;
    }
}

TEST(Match, Options) {
    EXPECT_EQ(xmatch("m/b/", "abc", 0).value(), "abc\n");
    EXPECT_EQ(xmatch("m/B/", "abc", 0).value(), "");
    EXPECT_EQ(xmatch("m/B/i", "abc", 0).value(), "abc\n");
    EXPECT_FALSE(xmatch("m/(/", "abc", 0));
}

}  // namespace
}  // namespace kk::regex
