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
        {"a\nb", "", "s/a\\r\\nb//gk"},
        {"", "x", "s//x/gk"},
        {"a", "", "s/a//gk"},
        {"", "", "s///gk"},
        {"\\", "/", "s/\\\\/\\//gk"},
        {"^.$|()[]*+?/", "{}", "s/\\^\\.\\$\\|\\(\\)\\[\\]\\*\\+\\?\\//{}/gk"},  // { and } stay
        {"a\rb\r\nc", "y", "s/a\rb\r\\r\\nc/y/gk"},                              // a CR stays a character
    };
    for (const auto& c : cases) EXPECT_EQ(buildMultiLineCommand(c.search, c.replacement), c.command) << c.search;
}

TEST(MultiLine, RoundTripsThroughTheEngine) {
    const char* pieces[] = {"a", "漢字", " ", "\r\n", ".", "*", "\\", "/", "$",  "^",   "(",
                            ")", "[",    "]", "|",    "?", "+", "{",  "}", "$1", "\\n", "&"};
    std::mt19937 rng(3);
    for (int round = 0; round < 2000; ++round) {
        std::string search, replacement;
        for (int k = 1 + static_cast<int>(rng() % 8); k > 0; --k) search += pieces[rng() % std::size(pieces)];
        for (int k = static_cast<int>(rng() % 6); k > 0; --k) replacement += pieces[rng() % std::size(pieces)];
        const std::string text = "<" + search + ">";
        auto r = regex::xRep(buildMultiLineCommand(search, replacement), text);
        ASSERT_TRUE(r) << testing::PrintToString(search) << " " << r.error().message;
        EXPECT_EQ(r.value(), "<" + replacement + ">")
            << testing::PrintToString(search) << " → " << testing::PrintToString(replacement);
    }
}

}  // namespace
}  // namespace kk::dialogs
