// The operations' own rules: line handling of xmatch and crdelSed, counting,
// errors that keep the text.
#include "regex/operations.h"
#include "regex/limits.h"
#include "texts/texts.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

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
        {"m/a/", "abc", "abc\n"},           // a last line without line end gains one
        {"m/./", "a\n\nb", "a\nb\n"},       // empty lines are dropped
        {"m/^a$/", "a\nb", "a\n"},          // LF ends a line
        {"m/a\\rb/", "a\rb\nc", "a\rb\n"},  // a lone CR stays inside the line
        {"m/c$/", "abc\r\nc\n", "abc\r\nc\n"},  // "$" at the body's end; each keeps its own end
        {"m/\\r/", "a\r\nb\rc\n", "b\rc\n"},    // a CR LF's CR is no part of the body
        {"m/b/", "a\r\nb", "b\r\n"},               // a last line gets the text's own line end
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
        {"s/^q//gk", "x\ry\nz", "x\ry\nz"},  // a lone CR is a character: nothing changes
        {"s/^a$/b/", "a\na\n", "b\na\n"},    // without g: the first line only
        {"s/o$/0/g", "foo\r\nbar\r\n", "fo0\r\nbar\r\n"},  // "$" before a CR LF
        {"s/\\r$//g", "a\r\nb\rc\r\n", "a\r\nb\rc\r\n"},   // a line end's CR is not seen
        {"s/.$/X/g", "ab\r\ncd\n", "aX\r\ncX\n"},           // nor taken by "."
        {"s/^b\\n/X/g", "a\r\nb\r\nc", "a\r\nXc"},       // a matched line end goes whole
        {"s/^/> /g", "a\r\n\r\nb", "> a\r\n> \r\n> b"},
    };
    for (const auto& c : cases) {
        auto r = crdelSed(c.command, c.text);
        ASSERT_TRUE(r) << c.command << ": " << r.error().message;
        EXPECT_EQ(r.value(), c.expected) << c.command;
    }
}

// \r and \n mean CR and LF, as in perl, wherever they stand.
TEST(LineEnds, EscapesAreCrAndLf) {
    const Case cases[] = {
        {"s/a\\r\\nb/X/g", "a\nb a\r\nb", "a\nb X"},
        {"s/\\r\\n/\\n/g", "a\r\nb\r\n", "a\nb\n"},
        {"s/\\n/\\r\\n/g", "a\nb\n", "a\r\nb\r\n"},
        {"s/\\r\\n?/\\n/g", "hello world\nsecond\n", "hello world\nsecond\n"},  // a no-op on LF text
        {"s/\\r\\n?/\\n/g", "a\r\nb\rc", "a\nb\nc"},
        {"s/[^\\r\\n]+/X/g", "ab\r\ncd\r\n", "X\r\nX\r\n"},
        {"s/\\\\r\\\\n/X/", "\\r\\n", "X"},
        {"s/\\n//g", "a\nb\nc\n", "abc"},
        {"s/\\s/X/g", "a\r\nb", "aXXb"},
        {"m/^b$/m", "a\nb\n", "b\n"},
        {"tr/\\n/ /", "a\nb", "a b"},
        {"y/ab/AB/", "abc", "ABc"},
    };
    for (const auto& c : cases) {
        auto r = applyCommand(c.command, c.text);
        ASSERT_TRUE(r) << c.command << ": " << r.error().message;
        EXPECT_EQ(r.value(), c.expected) << c.command;
    }
}

// Bytes that are no UTF-8 never match, are never translated and come out as
// they went in; the characters around them are worked on as ever.
TEST(InvalidBytes, PassThroughEveryOperation) {
    const std::string text =
        "caf\xe9 na\xefve a\xff\xfe"
        "b\n\x82\xa0x\n";
    const Case cases[] = {
        {"tr/a-z/A-Z/", text.c_str(),
         "CAF\xe9 NA\xefVE A\xff\xfe"
         "B\n\x82\xa0X\n"},
        {"s/[a-z]/./g", text.c_str(), "...\xe9 ..\xef.. .\xff\xfe.\n\x82\xa0.\n"},
        {"s/zzz/y/g", text.c_str(), text.c_str()},
        {"s/./_/g",
         "a\xff"
         "b",
         "_\xff_"},
        {"m/x/", text.c_str(), "\x82\xa0x\n"},
        {"tr/a-\\\xff\xff/x/", "abc", ""},  // bytes that are no UTF-8 in the list: refused, below
    };
    for (const auto& c : cases) {
        auto r = applyCommand(c.command, c.text);
        if (std::string_view(c.command).find('\xff') != std::string_view::npos) {
            EXPECT_FALSE(r) << c.command;
            continue;
        }
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

// An error is its code, arguments and column: tests match those, not wording.
TEST(Errors, CarryCodeAndColumn) {
    using M = texts::Msg;
    struct {
        const char* command;
        std::int64_t column;
        M code;
        std::vector<std::string> args;
    } cases[] = {
        {"s/a/b/q", 6, M::UnknownOption, {"q"}},
        {"s/a/b/e", 6, M::OptionENotSupported, {}},
        {"s/a/b", 5, M::MissingSlashAfterReplacement, {}},
        {"s/あ(/x/", 4, M::BadPattern, {}},  // columns count characters, not bytes
        {"s/a/$2/", 4, M::NoSuchGroup, {"2", "0"}},
        {"tr/z-a//", 3, M::TrRangeBackwards, {}},
        {"tr/a/b/x", 7, M::UnknownTrOption, {"x"}},
        {"tr/a/b", 6, M::MissingSlashAfterList, {}},
    };
    for (const auto& c : cases) {
        auto r = applyCommand(c.command, "text");
        ASSERT_FALSE(r) << c.command;
        EXPECT_EQ(r.error().column, c.column) << c.command << ": " << r.error().text();
        EXPECT_EQ(r.error().code, c.code) << c.command << ": " << r.error().text();
        if (!c.args.empty()) { EXPECT_EQ(r.error().args, c.args) << c.command; }
    }
}

// One table speaks both languages; the column counts characters in either.
TEST(Errors, InJapaneseAndInEnglish) {
    struct {
        const char* command;
        const char* ja;
        const char* en;
    } cases[] = {
        {"s/(a/b/", "パターンの誤り: 「)」がありません (5 文字目)",
         "bad pattern: missing closing parenthesis (column 5)"},
        {"s/a/b/q", "オプション「q」はありません (g i m s x k が使えます) (7 文字目)",
         "unknown option \"q\" (takes g i m s x k) (column 7)"},
        {"s/あ/$2/", "置換文字列がグループ 2 を使っていますが、パターンのグループは 0 個です (5 文字目)",
         "the replacement refers to group 2 but the pattern has 0 group(s) (column 5)"},
        {"s/a(?<x>b)/$+{y}/", "パターンに「y」という名前のグループはありません (12 文字目)",
         "the pattern has no group named \"y\" (column 12)"},
    };
    for (const auto& c : cases) {
        texts::setLanguage(texts::Language::Japanese);
        EXPECT_EQ(applyCommand(c.command, "text").error().text(), c.ja);
        texts::setLanguage(texts::Language::English);
        EXPECT_EQ(applyCommand(c.command, "text").error().text(), c.en);
    }
    texts::setLanguage(texts::Language::Japanese);
}

TEST(Limits, CatastrophicPatternReportsTooComplex) {
    const std::string text = std::string(40, 'a') + "b";
    auto r = xRep("s/(a+)+$//", text);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().code, texts::Msg::TooComplex);
}

// A linear pattern over one long line needs a deep JIT stack, which grows as
// it is used; backtracking without end is still stopped by the match limit.
TEST(Limits, LongLineWorksCatastropheStops) {
    std::string line(10u << 20, 'a');
    for (std::size_t i = 0; i < line.size(); i += 3) line[i] = 'b';
    line += "c\n";
    auto r = xRep("s/(a|b)*c/X/", line);
    ASSERT_TRUE(r) << r.error().message;
    EXPECT_EQ(r.value(), "X\n");
    auto worst = xRep("s/(a+)+$//", std::string(40, 'a') + "b");
    ASSERT_FALSE(worst);
    EXPECT_EQ(worst.error().kind, ErrorKind::Fault);
}

TEST(Cancel, LongLoopStops) {
    Work flag;
    flag.cancel();
    const std::string text(1 << 20, 'a');
    auto r = xRep("s/a/b/g", text, &flag);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().code, texts::Msg::Cancelled);
}

}  // namespace
}  // namespace kk::regex

namespace kk::regex {
namespace {

// A replace that matches nothing says so instead of copying the text; one
// that matches gives the whole result, whichever path (literal, machine,
// prefiltered lines, line-anchored) it took.
TEST(Replace, UnchangedWithoutACopy) {
    const std::string text = "a@b\nnone\n東京 x\n";
    const struct {
        const char* command;
        bool anchored;
        const char* result;  // nullptr: unchanged
    } cases[] = {
        {"s/zz/y/g", false, nullptr},
        {"s/(\\w+)#/x/g", false, nullptr},
        {"s/^q/x/g", true, nullptr},
        {"s/@/ at /g", false, "a at b\nnone\n東京 x\n"},
        {"s/(\\w)@(\\w)/$2$1/", false, "ba\nnone\n東京 x\n"},
        {"s/^東京/大阪/g", true, "a@b\nnone\n大阪 x\n"},
    };
    for (const auto& c : cases) {
        bool unchanged = false;
        auto r = c.anchored ? crdelSed(c.command, text, nullptr, nullptr, &unchanged)
                            : xRep(c.command, text, nullptr, nullptr, &unchanged);
        ASSERT_TRUE(r) << c.command;
        EXPECT_EQ(unchanged, c.result == nullptr) << c.command;
        EXPECT_EQ(r.value(), c.result ? c.result : "") << c.command;
        // Without the flag the text comes back whole.
        auto whole = c.anchored ? crdelSed(c.command, text) : xRep(c.command, text);
        EXPECT_EQ(whole.value(), c.result ? c.result : text) << c.command;
    }
}

}  // namespace
}  // namespace kk::regex

namespace kk::regex {
namespace {

// An overtaken preview stops within a few MB even when its literal never
// comes (the byte search goes a window at a time).
TEST(Cancel, SeenWhereTheLiteralIsRare) {
    const std::string text(12u << 20, 'a');
    Work cancel;
    cancel.cancel();
    for (const char* command : {"s/(q)zz/x/g", "s/^qzz/x/g"}) {
        auto r = xRep(command, text, &cancel);
        ASSERT_FALSE(r) << command;
        EXPECT_EQ(r.error().kind, ErrorKind::Cancelled) << command;
    }
    auto m = xmatch("m/q(zz)/", text, 0, &cancel);
    ASSERT_FALSE(m);
    EXPECT_EQ(m.error().kind, ErrorKind::Cancelled);
    // Not cancelled, the same commands run to their end.
    Work running;
    EXPECT_TRUE(xRep("s/(q)zz/x/g", text, &running));
}

}  // namespace
}  // namespace kk::regex


namespace kk::regex {
namespace {

struct CollectSink final : TextSink {
    std::string bytes;
    std::size_t pieces = 0;
    bool refuse = false;
    bool write(std::string_view s) override {
        ++pieces;
        bytes.append(s);
        return !refuse;
    }
};

// A result handed on in pieces is byte for byte the result kept whole, on
// every path (literal, machine, prefiltered lines, line-anchored over LF and
// CR LF, tr, m//), over texts bigger than a piece and over random bytes.
TEST(Streamed, SameBytesAsWhole) {
    std::mt19937 rng(34);
    std::string random(300 * 1024, '\0');
    for (char& c : random) c = static_cast<char>(rng());
    std::string big, bigCrlf;
    const char* lines[] = {"東京 foo@bar ぁいう", "ぅx 京", "", "a\377b foo", "世界の東京"};
    for (int k = 0; big.size() < (std::size_t{3} << 20); ++k) {
        big += lines[k % 5] + std::string("\n");
        bigCrlf += lines[k % 5] + std::string("\r\n");
    }
    const char* commands[] = {"s/foo/bar/g", "s/(\\w+)@(\\w+)/$2 at $1/g", "s/(?<=東)京/K/g", "s/京$/Y/g",
                              "s/京$/Y/gm", "s/^ぅ/X/gm", "s/\\r//g", "tr/ぁ-ん/ァ-ン/", "m/東京/", "m/^$|x/",
                              "s/zzz/q/g", "s/./_/g"};
    for (const std::string* text : {&big, &bigCrlf, &random}) {
        for (const char* command : commands) {
            for (const bool anchored : {false, true}) {
                auto parsed = readCommand(command, CommandRules::AsItStands);
                ASSERT_TRUE(parsed) << command;
                if (anchored && parsed.value().mode == CommandMode::Substitute) anchorToLines(parsed.value());
                const auto whole = applyCommand(parsed.value(), *text);
                CollectSink sink;
                bool unchanged = false;
                const auto streamed = applyCommand(parsed.value(), *text, 0, nullptr, nullptr, &unchanged, &sink);
                ASSERT_EQ(whole.ok(), streamed.ok()) << command;
                if (!whole) continue;
                EXPECT_TRUE(streamed.value().empty()) << command;
                // A replace that changed nothing writes nothing and says so.
                const std::string& got = unchanged ? *text : sink.bytes;
                EXPECT_TRUE(got == whole.value()) << command << (anchored ? " anchored" : "");
            }
        }
    }
}

// Each kept line's match is reported where it stands in the result, also
// where kept lines go out together as one run of the text.
TEST(Xmatch, ReportedMatchesPointIntoTheResult) {
    const std::string text = "a東京\nb東京\nc\n東京d\r\n\nx東京";
    for (const char* command : {"m/東京/", "m/京/", "m/^.東/", "m/c/"}) {
        diff::Report report;
        const auto r = xmatch(command, text, 0, nullptr, &report);
        ASSERT_TRUE(r) << command;
        ASSERT_FALSE(report.changes.empty()) << command;
        for (const auto& c : report.changes)
            EXPECT_EQ(r.value().substr(c.to, c.toLength), text.substr(c.from, c.fromLength)) << command;
    }
}

TEST(Streamed, ARefusingSinkStopsTheRun) {
    std::string text;
    while (text.size() < (std::size_t{8} << 20)) text += "foo bar baz\n";
    CollectSink sink;
    sink.refuse = true;
    auto parsed = readCommand("s/foo/x/g", CommandRules::AsItStands);
    const auto r = applyCommand(parsed.value(), text, 0, nullptr, nullptr, nullptr, &sink);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().code, texts::Msg::CliStdoutUnwritable);
    EXPECT_LT(sink.bytes.size(), text.size());  // it stopped, not ran on
}

}  // namespace
}  // namespace kk::regex
