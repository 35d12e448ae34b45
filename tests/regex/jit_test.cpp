// The JIT and the interpreter must agree: negated constructs inside classes
// over characters of every width, the ones PCRE2's JIT gets wrong included.
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

}  // namespace
}  // namespace kk::regex
