// The JIT and the interpreter must agree: negated constructs inside classes
// over characters of every width; and a search a window at a time agrees
// with one over the whole text.
#include "regex/pattern.h"

#include <gtest/gtest.h>

namespace kk::regex {
namespace {

TEST(Jit, AgreesWithTheInterpreterOnNegatedClasses) {
    const char* patterns[] = {
        "[[:^graph:]あ]", "[[:^print:]、]",   "[[:^graph:]ぁ-ゖ]", "[[:^graph:]\\x{3042}]", "[[:^alpha:]あ]",
        "[[:^digit:]x]",  "[[:^space:]あ]",   "[[:^word:]あ]",     "[[:^punct:]あ]",        "[[:^upper:]あ]",
        "[[:^lower:]あ]", "[[:^alnum:]あ]",   "[[:^xdigit:]あ]",   "[[:^cntrl:]あ]",        "[[:^blank:]あ]",
        "[\\P{L}あ]",     "[\\W あ]",         "[\\D あ]",          "[\\S あ]",              "[^\\wx]",
        "[^\\Wあ]",       "[\\P{Han}あ]",     "[^[:graph:]あ]",    "[^[:^graph:]あ]",       "[[:^graph:]a]",
        "[[:^graph:]é]",  "[[:^print:]🙂]",   "[\\H あ]",          "[\\V あ]",              "[^\\p{Hiragana}x]",
    };
    const char* subjects[] = {"あ", "、", "a", "1", " ", "漢", "é", "🙂", "\x01", "\t", "ア", "_"};
    Limits interpreter;
    interpreter.jit = false;
    for (const char* p : patterns) {
        auto jit = Pattern::compile(p, {});
        auto plain = Pattern::compile(p, {}, {}, 0, interpreter);
        ASSERT_TRUE(jit && plain) << p;
        for (const char* s : subjects)
            EXPECT_EQ(jit.value()->match(s, 0), plain.value()->match(s, 0)) << p << " over " << s;
    }
}

// A search a window at a time finds what one search over the whole text
// finds, whatever the windows' size: anchors at the text's end, a final
// newline, matches crossing a window's end, lookarounds, empty matches,
// multi-byte characters cut by a window, JIT and interpreter alike.
TEST(Windows, FindWhatOneSearchFinds) {
    const char* patterns[] = {"foo$",   "foo\\Z", "foo\\z",  "(?m)foo$", "o+b",     "a.*z",    "(?s)a.*z", "x*",
                              "(?<=o)b", "b(?=a)", "\\bba",   "日本",     "本.語",    "[^a]{3}$", "^bar",    "(?m)^bar",
                              "\\n",     "z|o",    "(a|oo)+", "(?s).",    "ar\\b",    "ooo\\n?$"};
    const char* subjects[] = {"foo\nbarfoo", "foo\n", "xx foo\nbar\n", "aaob oob ba boob\nfoo", "日本語 日x語\n本日語",
                              "zzzz", "a\nz a z", "bar\nbar", "fooo\n", ""};
    Limits interpreter;
    interpreter.jit = false;
    for (const Limits& limits : {Limits{}, interpreter}) {
        for (const char* p : patterns) {
            auto whole = Pattern::compile(p, {}, {}, 0, limits);
            auto windowed = Pattern::compile(p, {}, {}, 0, limits);
            ASSERT_TRUE(whole && windowed) << p;
            for (const char* s : subjects) {
                const std::string_view text(s);
                for (std::size_t start = 0; start <= text.size(); start += 3) {
                    for (bool notEmpty : {false, true}) {
                        const MatchStatus expected = whole.value()->match(text, start, notEmpty);
                        for (std::size_t window : {1, 2, 3, 5}) {
                            int stops = 0;
                            const MatchStatus got = windowed.value()->matchInWindows(
                                text, start, notEmpty, window, [&](std::size_t) { return ++stops > 100; });
                            SCOPED_TRACE(testing::Message() << p << " over " << testing::PrintToString(s) << " from "
                                                            << start << " window " << window);
                            ASSERT_EQ(got, expected);
                            if (got == MatchStatus::Found) {
                                EXPECT_EQ(windowed.value()->group(0), whole.value()->group(0));
                            }
                        }
                    }
                }
            }
        }
    }
}

TEST(Windows, AStopEndsALongSearch) {
    auto p = Pattern::compile("(a|b)c+x$", {});
    ASSERT_TRUE(p);
    const std::string text(1 << 20, 'y');
    std::size_t asked = 0;
    EXPECT_EQ(p.value()->matchInWindows(text, 0, false, 4096, [&](std::size_t at) { return (asked = at) > 100000; }),
              MatchStatus::Stopped);
    EXPECT_LT(asked, 110000u);
}

}  // namespace
}  // namespace kk::regex
