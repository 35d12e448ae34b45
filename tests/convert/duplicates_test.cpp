#include "convert/duplicates.h"

#include <gtest/gtest.h>

namespace kk::convert {
namespace {

using O = DuplicateResult::Outcome;

TEST(Duplicates, DeleteAndExtract) {
    struct {
        const char* in;
        O outcome;
        const char* deleted;
        const char* extracted;
        std::int64_t count;
    } cases[] = {
        {"one line", O::OneLine, "", "", 0},
        {"", O::OneLine, "", "", 0},
        {"a\na\nb", O::Found, "a\nb", "a\n", 1},
        {"a\nb\na", O::NoDuplicates, "", "", 0},
        {"x\nx\nx\n", O::Found, "x\n", "x\nx\n", 2},
        {"x\nx", O::Found, "x\n", "x", 1},  // the tail repeats the line before it
        {"A\na\na \n", O::NoDuplicates, "", "", 0},
        {"\n\n", O::Found, "\n", "\n", 1},              // an empty tail is no line
        {"x\r\nx\r\n", O::Found, "x\r\n", "x\r\n", 1},  // pasted CR LF lines compare whole
    };
    for (const auto& c : cases) {
        const auto d = delJufuku(c.in);
        const auto e = exJufuku(c.in);
        EXPECT_EQ(d.outcome, c.outcome) << c.in;
        EXPECT_EQ(e.outcome, c.outcome) << c.in;
        EXPECT_EQ(d.count, c.count) << c.in;
        EXPECT_EQ(e.count, c.count) << c.in;
        if (c.outcome == O::Found) {
            EXPECT_EQ(d.output, c.deleted) << c.in;
            EXPECT_EQ(e.output, c.extracted) << c.in;
        }
    }
}

TEST(Duplicates, StatusTexts) {
    EXPECT_EQ(duplicateStatus(delJufuku("a"), false), "中断！　１行しかありません");
    EXPECT_EQ(duplicateStatus(delJufuku("a\r\nb"), false), "連続する重複行はありませんでした");
    std::string many = "z\r\n";
    for (int i = 0; i < 1234; ++i) many += "z\r\n";
    EXPECT_EQ(duplicateStatus(delJufuku(many), false), "1,234行の重複行を削除しました");
    EXPECT_EQ(duplicateStatus(exJufuku(many), true), "1,234行、重複行がありました");
}

}  // namespace
}  // namespace kk::convert
