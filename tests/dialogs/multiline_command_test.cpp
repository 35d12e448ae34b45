// The helper's command: escaping, line ends, and a round trip through the
// engine (the built command finds exactly the search text and writes
// exactly the replacement text).
#include "dialogs/multiline_command.h"
#include "regex/operations.h"

#include <gtest/gtest.h>

#include <random>

namespace kk::dialogs {
namespace {

TEST(MultiLine, BuildsTheCommand) {
    const struct {
        const char* search;
        const char* replacement;
        const char* command;
    } cases[] = {
        {"a.b", "x", "s/a\\.b/x/gk"},
        {"a\nb", "", "s/a\\nb//gk"},
        {"", "x", "s//x/gk"},
        {"a", "", "s/a//gk"},
        {"", "", "s///gk"},
        {"\\", "/", "s/\\\\/\\//gk"},
        {"^.$|()[]*+?/", "{}", "s/\\^\\.\\$\\|\\(\\)\\[\\]\\*\\+\\?\\//{}/gk"},  // { and } stay
        {"a\rb\nc", "y", "s/a\rb\\nc/y/gk"},                                    // a CR stays a character
    };
    for (const auto& c : cases) EXPECT_EQ(buildMultiLineCommand(c.search, c.replacement), c.command) << c.search;
    // For a CR LF working text each line break is written as its CR LF.
    EXPECT_EQ(buildMultiLineCommand("a\nb", "c\nd", "\r\n"), "s/a\\r\\nb/c\\r\\nd/gk");
}

TEST(MultiLine, RoundTripsThroughTheEngine) {
    const char* pieces[] = {"a", "漢字", " ", "\n", ".", "*", "\\", "/", "$",  "^",   "(",
                            ")", "[",    "]", "|",   "?", "+", "{",  "}", "$1", "\\n", "&"};
    std::mt19937 rng(3);
    for (int round = 0; round < 2000; ++round) {
        std::string search, replacement;
        for (int k = 1 + static_cast<int>(rng() % 8); k > 0; --k) search += pieces[rng() % std::size(pieces)];
        for (int k = static_cast<int>(rng() % 6); k > 0; --k) replacement += pieces[rng() % std::size(pieces)];
        // The helper's boxes hold LF; the working text has its own line ends.
        for (const std::string_view lineEnd : {"\n", "\r\n"}) {
            auto own = [&](std::string s) {
                std::string out;
                for (const char c : s) {
                    if (c == '\n') out.append(lineEnd);
                    else out.push_back(c);
                }
                return out;
            };
            const std::string text = "<" + own(search) + ">";
            auto r = regex::xRep(buildMultiLineCommand(search, replacement, lineEnd), text);
            ASSERT_TRUE(r) << testing::PrintToString(search) << " " << r.error().message;
            EXPECT_EQ(r.value(), "<" + own(replacement) + ">")
                << testing::PrintToString(search) << " → " << testing::PrintToString(replacement);
        }
    }
}

}  // namespace
}  // namespace kk::dialogs
