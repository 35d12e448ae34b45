// The sortf helper's orders.
#include "filter/sortf.h"
#include "../support/run_tool.h"

#include <gtest/gtest.h>

namespace kk::filter {
namespace {

SortOptions opts(std::vector<std::string> words) {
    SortOptions o;
    std::string error;
    EXPECT_TRUE(parseSortOptions(words, o, error)) << error;
    return o;
}

TEST(Sortf, Orders) {
    const struct {
        std::vector<std::string> words;
        const char* in;
        const char* out;
    } cases[] = {
        {{}, "b\na\nc", "a\nb\nc\n"},  // bytes; a last line gains its LF
        {{"-r"}, "b\na\nc\n", "c\nb\na\n"},
        {{"-n", "-s"}, "10\n-2.5\n3 x\nno\n0.5\n3 a\n", "no\n-2.5\n0.5\n3 x\n3 a\n10\n"},  // no number first; ties stay
        {{"-n"}, "3 x\n3 a\n", "3 a\n3 x\n"},                                              // not stable: ties by bytes
        {{"-n", "-r", "-s"}, "1\nx\n2\n2 b\n", "2\n2 b\n1\nx\n"},
        {{"-nrs"}, "1\n2\n", "2\n1\n"},  // letters may share one word
        {{"-b"}, "  b\na\n c\n", "a\n  b\n c\n"},
        {{"-J", "-s"}, "漢字\nｶﾅ\nカナ\nかな\nあい\n", "あい\nかな\nカナ\nｶﾅ\n漢字\n"},
        {{"-J", "-s", "-r"}, "かな\n漢字\n", "漢字\nかな\n"},
        {{"-J", "-b", "-s"}, "  かな\nあ\n", "あ\n  かな\n"},
        {{}, "", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(sortText(c.in, opts(c.words)), c.out) << c.in;
}

// Numbers of any length compared exactly by their digits, as GNU sort -n:
// against `LC_ALL=C sort -n -s` on lines that all hold a number.
TEST(Sortf, NumbersAgainstGnuSort) {
    std::string in;
    for (const char* line : {"10000000000000000",
                             "9999999999999999",
                             "-3",
                             "-3.5",
                             "-0",
                             "0",
                             "0.0",
                             "00012",
                             "12",
                             "12.000",
                             "12.0001",
                             ".5",
                             "-.5",
                             "1e3",
                             "3 apples",
                             "3",
                             "-10",
                             "-9.99",
                             "123456789012345678901234567890.5",
                             "123456789012345678901234567890.49"})
        in += std::string(line) + "\n";
    in += std::string(400, '9') + "\n" + "1" + std::string(400, '0') + "\n" + "-" + std::string(400, '9') + "\n";
    for (const bool reverse : {false, true}) {
        auto theirs = kk::testing::runTool("env", {"LC_ALL=C", "sort", "-n", "-s", reverse ? "-r" : "-n"}, in);
        ASSERT_TRUE(theirs) << "GNU sort is needed for this test";
        EXPECT_EQ(sortText(in, opts(reverse ? std::vector<std::string>{"-n", "-s", "-r"}
                                            : std::vector<std::string>{"-n", "-s"})),
                  *theirs)
            << reverse;
    }
}

TEST(Sortf, UnknownOption) {
    SortOptions o;
    std::string error;
    EXPECT_FALSE(parseSortOptions({"-x"}, o, error));
    EXPECT_NE(error.find("-x"), std::string::npos);
    EXPECT_FALSE(parseSortOptions({"file"}, o, error));
}

}  // namespace
}  // namespace kk::filter
