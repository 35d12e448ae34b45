// Our engine against perl on a corpus of commands × texts as a user here has
// them (LF line ends; a few with CR LF or a lone CR as pasted from elsewhere):
// s/// and tr/// run once over the whole text (perl -0777), m// per line body
// (each kept line with its own line end, LF or CR LF).
// Where we differ from perl on purpose, the command is left out and says why:
// - "@name" / "$name" in a replacement: perl interpolates variables, we keep the text.
// - an empty pattern: perl reuses the last successful pattern, we match the empty string.
// - ${0}: perl's $0 is its program name, ours is the whole match.
#include "../support/run_tool.h"
#include "regex/operations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kk::regex {
namespace {

std::optional<std::string> runPerl(const std::vector<std::string>& args, const std::string& input) {
    return kk::testing::runTool("perl", args, input);
}

const std::vector<std::string>& texts() {
    static const std::vector<std::string> t = {
        "",
        "hello world\nfoo bar baz\n",
        "ひらがな カタカナ\n漢字かな交じり文。\n",
        "emoji 🙂👍🏽 and 𠮷野家\nlast line",
        "a\n\n\nb\n",
        "lone\rCR here\nand\r\nCR LF\n",
        "  indented\n\ttab\ntrailing   \n",
        "ＡＢＣ１２３ 全角　空白\nabc123\n",
        "aaa bbb aaa\nAAA Bbb\n",
        "a\nb\n",
        "mail a@b c@d\nnone here\nx@y z@\n@w\nbar baz bar\n",
        "first\r\nsecond\r\n",
        "a\r\n\r\nb\r\nlast",
        "mixed\nends\r\nlone\rcr\r\r\n",
    };
    return t;
}

const std::vector<std::string> kSubstitutions = {
    "s/a/b/",
    "s/a/b/g",
    "s/o/0/g",
    "s/A/x/gi",
    "s/\\s+/ /g",
    "s/\\w+/<$&>/g",
    "s/(\\w)(\\w)/$2$1/g",
    "s/(\\w+)/\\u$1/g",
    "s/(\\w+)/\\U$1/g",
    "s/(\\S+)/\\L$1\\E!/g",
    "s/\\n//g",
    "s/\\n/|/g",
    "s/\\s/X/g",
    "s/(?m)^b$/X/g",
    "s/[^\\n]+/<$&>/g",
    "s/\\n\\n+/\\n/g",
    "s/^(.*)\\n(.*)$/$2 $1/m",
    "s/$/END/",
    "s/^/>/mg",
    "s/$/</mg",
    "s/./x/g",
    "s/./x/gs",
    "s/x*/-/g",
    "s/\\b/|/g",
    "s/[かカ]/K/g",
    "s/\\p{Han}/H/g",
    "s/\\p{Hiragana}+/h/g",
    "s/\\p{Katakana}/k/g",
    "s/\\d/D/g",
    "s/[[:alpha:]]+/A/g",
    "s/\\x{3000}/_/g",
    "s/(?<=a)a/X/g",
    "s/a(?=a)/Y/g",
    "s/\\r//g",
    "s/ +$//mg",
    "s/(\\w+) (\\w+)/\\2 \\1/",
    "s/[^\\x00-\\x7f]/?/g",
    "s/(.)\\1/[$1$1]/g",
    "s/\\h+/_/g",
    "s/\\R/~/g",
    "s/(l+)/${1}L/g",
    "s/ (?#comment)/_/g",
    "s/ a b c /X/gx",
    "s/[a b]/X/gxx",
    "s/a{,2}/X/g",
    "s/^\\s*$//mg",
    "s/\\z/Z/",
    "s/\\A/A/",
    "s/.$/!/mg",
    "s/\\t/\\\\t/g",
    // The byte-search prefilter: a required literal, lines searched alone.
    "s/(\\w+)@(\\w+)/$2 at $1/g",
    "s/(\\w+)@(\\w+)/$2 at $1/",
    "s/(?<![a-z])b\\w*/B/g",
    "s/(?<=\\n)b/B/g",
    "s/\\bba\\w/X/g",
    "s/ar$/AR/mg",
    "s/ar$/AR/g",
    "s/^ba?r/X/mg",
    "s/^b/X/g",
    "s/漢字.*文/K/g",
    "s/a\\sb/X/g",
    "s/r\\s+b/X/g",
    "s/[^@]@/X/g",
    "s/l+o/L/g",
    "s/ba(?=r)/X/g",
    "s/o\\b/0/g",
    "s/@(\\w*)$/<$1>/mg",
    "s/(?<n>\\w)@\\k<n>/X/g",
    "s/a.b/X/gs",
    "s/b|@/X/g",
    "s/e(?:r|re)/X/g",
    "s/@\\W/X/g",
    "s/.@.*$/$&$'/m",
    // \r and \n written in every position, as in perl: conversions between
    // line-end forms, quantifiers, classes, replacements.
    "s/\\r\\n/\\n/g",
    "s/\\n/\\r\\n/g",
    "s/\\r\\n?/\\n/g",
    "s/\\r?\\n/;/g",
    "s/\\r*\\n/\\r\\n/g",
    "s/[^\\r\\n]+/<$&>/g",
    "s/[\\r\\n]+/|/g",
    "s/[^\\n\\r]$/!/mg",
    "s/(\\r\\n)+/$1/g",
    "s/\\R+/\\n/g",
    "s/[\\r]/R/g",
    "s/\\n\\r?/N/g",
    "s/(?<=\\r)\\n/L/g",
    "s/\\r(?!\\n)/C/g",
    "s/.\\r\\n/X\\r\\n/g",
    "s/\\r\\n\\z//",
    "s/\\r{0,1}\\n{1,}/_/g",
    "s/\\x0d\\x0a/<CRLF>/g",
    "s/\\N{U+0D}/<CR>/g",
};

const std::vector<std::string> kTranslations = {
    "tr/a-z/A-Z/", "tr/a-zA-Z//cd", "tr/a-zA-Z/ /cs",  "tr/ぁ-ん/ァ-ン/", "tr/ァ-ン/ぁ-ん/", "tr/a-y/b-z/",
    "tr/abc/x/",   "tr/abc/xy/d",   "tr/ //d",         "tr/a-z//s",       "tr/\\r\\n/RN/",   "tr/\\n/ /",
    "tr/\\n//d",   "tr/\\r//d",     "y/a-z/A-Z/",      "tr/０-９/0-9/", "tr/\\x{3000}/ /", "tr/🙂/:/",      "tr/a-z/*/cs",     "tr/lo//s",
};

const std::vector<std::string> kMatches = {
    "m/a/",    "m/^a/",   "m/\\d/",      "m/[ぁ-ん]/", "m/\\p{Han}/", "m/^\\s*$/", "m/\\r/",     "m/ $/",
    "m/o\\b/", "m/A/i",   "m/^.{3,5}$/", "m/🙂/",    "m/カ/",       "m/a.a/",    "m/(\\w+)@/", "m/^b/",
    "m/o w/",  "m/\\@$/", "m/ba(?!r)/",  "m/b|@/",     "m/\\@/i",     "m/a\nb/",   "m/o\nf/",
};

TEST(PerlDifferential, SubstituteOverWholeText) {
    KK_REQUIRE_TOOL(runPerl({"-e", "1"}, ""), "perl");
    for (const auto& cmd : kSubstitutions)
        for (const auto& text : texts()) {
            auto ours = xRep(cmd, text);
            ASSERT_TRUE(ours) << cmd << ": " << ours.error().message;
            auto theirs = runPerl({"-0777", "-CSD", "-Mutf8", "-pe", cmd}, text);
            ASSERT_TRUE(theirs) << cmd;
            EXPECT_EQ(ours.value(), *theirs) << cmd << " over [" << text << "]";
        }
}

TEST(PerlDifferential, TranslateOverWholeText) {
    KK_REQUIRE_TOOL(runPerl({"-e", "1"}, ""), "perl");
    for (const auto& cmd : kTranslations)
        for (const auto& text : texts()) {
            auto ours = xtrans(cmd, text);
            ASSERT_TRUE(ours) << cmd << ": " << ours.error().message;
            auto theirs = runPerl({"-0777", "-CSD", "-Mutf8", "-pe", cmd}, text);
            ASSERT_TRUE(theirs) << cmd;
            EXPECT_EQ(ours.value(), *theirs) << cmd << " over [" << text << "]";
        }
}

TEST(PerlDifferential, MatchPerLine) {
    KK_REQUIRE_TOOL(runPerl({"-e", "1"}, ""), "perl");
    for (const auto& cmd : kMatches)
        for (int invert = 0; invert <= 1; ++invert)
            for (const auto& text : texts()) {
                auto ours = xmatch(cmd, text, invert);
                ASSERT_TRUE(ours) << cmd << ": " << ours.error().message;
                // A line is tested by its body and kept with its own line end
                // (the text's own for a last line without one); empty bodies
                // are never kept.
                const std::string code =
                    std::string("my $own = /\\A[^\\n]*\\r\\n/ ? \"\\r\\n\" : \"\\n\";"
                                "for my $l (/[^\\n]*\\n|[^\\n]+\\z/g) {"
                                "  local $_ = $l; my $e = s/(\\r?\\n)\\z// ? $1 : $own;"
                                "  print $_ . $e if length($_) && ") +
                    (invert ? "!" : "") + "(" + cmd + ") }";
                auto theirs = runPerl({"-0777", "-CSD", "-Mutf8", "-ne", code}, text);
                ASSERT_TRUE(theirs) << cmd;
                EXPECT_EQ(ours.value(), *theirs) << cmd << (invert ? " (inverted)" : "") << " over [" << text << "]";
            }
}

}  // namespace
}  // namespace kk::regex
