// One rule for every line-wise operation: a line end is LF or CR LF, kept as
// it came; the operations see line bodies. A text whose every line end is
// CR LF gives exactly the LF text's result with CR LF line ends.
#include "convert/duplicates.h"
#include "convert/reverse_count.h"
#include "regex/operations.h"

#include <gtest/gtest.h>

#include <functional>

namespace kk {
namespace {

std::string toCrLf(std::string_view lf) {
    std::string out;
    for (const char c : lf) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

std::string countOf(std::string_view text) { return convert::countStatus(convert::countText(text)); }
std::string must(TextResult r) { return r ? std::move(r).value() : "error: " + r.error().message; }

const std::vector<std::pair<const char*, std::function<std::string(std::string_view)>>>& operations() {
    static const std::vector<std::pair<const char*, std::function<std::string(std::string_view)>>> ops = {
        {"m/o$/", [](std::string_view t) { return must(regex::xmatch("m/o$/", t, 0)); }},
        {"m/o$/ -v", [](std::string_view t) { return must(regex::xmatch("m/o$/", t, 1)); }},
        {"m/^.{3}$/", [](std::string_view t) { return must(regex::xmatch("m/^.{3}$/", t, 0)); }},
        {"m/\\r/", [](std::string_view t) { return must(regex::xmatch("m/\\r/", t, 0)); }},
        {"m/p/", [](std::string_view t) { return must(regex::xmatch("m/p/", t, 0)); }},
        {"s/o$/0/g", [](std::string_view t) { return must(regex::crdelSed("s/o$/0/g", t)); }},
        {"s/^/> /g", [](std::string_view t) { return must(regex::crdelSed("s/^/> /g", t)); }},
        {"s/.$//g", [](std::string_view t) { return must(regex::crdelSed("s/.$//g", t)); }},
        {"s/[^\\n]$/X/g", [](std::string_view t) { return must(regex::crdelSed("s/[^\\n]$/X/g", t)); }},
        {"s/\\r$/R/g", [](std::string_view t) { return must(regex::crdelSed("s/\\r$/R/g", t)); }},
        {"s/^p$\\n//g", [](std::string_view t) { return must(regex::crdelSed("s/^p$\\n//g", t)); }},
        {"xrev", [](std::string_view t) { return convert::xrev(t); }},
        {"delJufuku", [](std::string_view t) { return convert::delJufuku(t).output; }},
        {"exJufuku", [](std::string_view t) { return convert::exJufuku(t).output; }},
    };
    return ops;
}

TEST(LineEndRule, CrLfTextGivesTheLfResultWithCrLf) {
    const char* lfTexts[] = {"foo\nbar\np\np\nzoo", "foo\nbar\np\np\n", "p\n\np\n", "", "\n",
                             "日本語o\nかなo\n\n"};
    for (const char* lf : lfTexts) {
        const std::string crlf = toCrLf(lf);
        for (const auto& [name, op] : operations())
            EXPECT_EQ(op(crlf), toCrLf(op(lf))) << name << " over " << testing::PrintToString(lf);
        EXPECT_EQ(countOf(crlf), countOf(lf)) << testing::PrintToString(lf);
    }
}

TEST(LineEndRule, MixedAndLoneCr) {
    struct Case {
        const char* operation;
        const char* text;
        const char* expected;
    } cases[] = {
        {"m/o$/", "foo\r\nbar\nzoo", "foo\r\nzoo\r\n"},  // a last line gets the first line end's form
        {"m/o$/", "foo\nbar\r\nzoo", "foo\nzoo\n"},
        {"m/o$/", "one line o", "one line o\n"},  // no line end at all: LF
        {"m/\\r/", "a\rb\r\nc\r\n", "a\rb\r\n"},  // a lone CR is a character
        {"s/o$/0/g", "foo\r\nzoo\nboo\r", "fo0\r\nzo0\nboo\r"},
        {"s/\\r$/R/g", "a\r\r\nb\r", "aR\r\nbR"},
        {"xrev", "ab\r\ncd\nef\rg", "ba\r\ndc\ng\rfe"},
        {"delJufuku", "p\r\np\np\r\nq", "p\r\nq"},
        {"exJufuku", "p\r\np\np\r\nq", "p\np\r\n"},
        {"delJufuku", "p\r\np\r", "p\r\np\r"},  // "p\r" is not "p"
    };
    for (const auto& c : cases) {
        bool found = false;
        for (const auto& [name, op] : operations())
            if (std::string_view(name) == c.operation) {
                found = true;
                EXPECT_EQ(op(c.text), c.expected) << c.operation << " over " << testing::PrintToString(c.text);
            }
        EXPECT_TRUE(found) << c.operation;
    }
}

TEST(LineEndRule, Counts) {
    struct Case {
        const char* text;
        std::int64_t characters, lines, bytes;
    } cases[] = {
        {"a\r\nb\r\n", 2, 3, 6},  // a line end of either form: no character, 2 bytes
        {"a\nb\n", 2, 3, 6},
        {"a\rb", 3, 1, 3},  // a lone CR: one character of 1 byte
        {"あ\r\n", 1, 2, 4},
    };
    for (const auto& c : cases) {
        const auto n = convert::countText(c.text);
        EXPECT_EQ(n.characters, c.characters) << testing::PrintToString(c.text);
        EXPECT_EQ(n.lines, c.lines) << testing::PrintToString(c.text);
        EXPECT_EQ(n.bytes, c.bytes) << testing::PrintToString(c.text);
    }
}

}  // namespace
}  // namespace kk
