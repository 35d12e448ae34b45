// Replacement templates against perl: a table of templates × texts, run once
// over the whole text (perl -0777). Where we differ on purpose the template is
// left out of the table and the help page says so:
// - "@name" / "$name": perl interpolates variables, we keep the text;
// - \l, \u, \L, \U on characters whose case mapping perl takes from an older
//   Unicode than ICU (none in this table).
#include "../support/run_tool.h"
#include "regex/operations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kk::regex {
namespace {

const std::vector<std::string> kTexts = {
    "hello world foo_bar 42\n",
    "ひらがな カタカナ 漢字\n",
    "Ελληνικά λέξεις\n",
    "İstanbul ıi ßtraße ǆungla ǅ\n",
    "emoji 🙂 and 𠮷野家\nsecond line b\n",
    "a.b(c) [d] $e\n",
};

const std::vector<std::string> kTemplates = {
    "s/(\\w)(\\w*)/\\u$1$2/g",
    "s/(\\w+)/\\u$1/g",
    "s/(\\w+)/\\l\\U$1/g",
    "s/(\\w+)/\\U$1\\E!/g",
    "s/(\\w+)/\\L\\u$1/g",
    "s/(\\w+)/\\u\\L$1/g",
    "s/(\\S+)/\\Q$1\\E|/g",
    "s/(\\S+)/\\U\\Q$1\\E/g",
    "s/(?<w>\\w+)/<$+{w}>/g",
    "s/(?<w>\\w)(?<v>\\w)/$+{v}$+{w}/g",
    "s/(?|(?<x>a)|(?<x>b))/[$+{x}]/g",
    "s/(?<n>a)|(?<n>b)/[$-{n}[0]|$-{n}[1]]/g",
    "s/(a)|(b)/[$+]/g",
    "s/(\\w+) (\\w+)/$2 $1/",
    "s/o/[$`]/",
    "s/o/[$']/",
    "s/\\s/<$&>/g",
    "s/^/\\101\\x41\\x{3042}\\N{U+3044}\\o{102}\\t\\e\\cA\\c?/",
    "s/l/\\0\\07\\12/",
    "s/(\\w+)/${1}x/g",
    "s/\\n/\\\\n/g",
    "s/(.)/$1$1/g",
};

TEST(PerlDifferential, ReplacementTemplates) {
    KK_REQUIRE_TOOL(kk::testing::runTool("perl", {"-e", "1"}, ""), "perl");
    for (const auto& cmd : kTemplates)
        for (const auto& text : kTexts) {
            auto ours = xRep(cmd, text);
            ASSERT_TRUE(ours) << cmd << ": " << ours.error().message;
            auto theirs = kk::testing::runTool("perl", {"-0777", "-CSD", "-Mutf8", "-pe", cmd}, text);
            ASSERT_TRUE(theirs) << cmd;
            EXPECT_EQ(ours.value(), *theirs) << cmd << " over [" << text << "]";
        }
}

}  // namespace
}  // namespace kk::regex
