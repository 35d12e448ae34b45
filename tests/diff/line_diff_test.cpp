// The line diff: its change spans against a plain reading of the texts, and
// the unified form against diff -u.
#include "diff/line_diff.h"
#include "../support/run_tool.h"

#include <gtest/gtest.h>

#include <random>

namespace kk::diff {
namespace {

// Applying the changes to `before` must give `after`, and every span in
// `after` must really differ from what stood there.
std::string apply(std::string_view before, std::string_view after, const ChangeMap& changes) {
    std::string out;
    std::size_t copied = 0;
    for (const Change& c : changes) {
        out.append(before.substr(copied, c.from - copied));
        out.append(after.substr(c.to, c.toLength));
        copied = c.from + c.fromLength;
    }
    out.append(before.substr(copied));
    return out;
}

TEST(LineDiff, ChangesRebuildTheResult) {
    struct {
        const char* before;
        const char* after;
        std::size_t changes;
        const char* firstTo;
    } cases[] = {
        {"a\nb\nc\n", "a\nb\nc\n", 0, ""},
        {"a\nb\nc\n", "a\nB\nc\n", 1, "B"},
        {"a\nb\nc\n", "a\nc\n", 1, ""},
        {"a\nc\n", "a\nb\nc\n", 1, "b\n"},
        {"日本語の行\n", "日本語の列\n", 1, "列"},
        {"x", "y", 1, "y"},
        {"", "new\n", 1, "new\n"},
        {"b\na\n", "a\nb\n", 2, ""},
        {"keep\nold line\nkeep\n", "keep\nnew line here\nkeep\n", 1, "new line her"},  // "e\n" is shared
    };
    for (const auto& c : cases) {
        const ChangeMap m = lineChanges(c.before, c.after);
        EXPECT_EQ(m.size(), c.changes) << c.before << "→" << c.after;
        EXPECT_EQ(apply(c.before, c.after, m), c.after) << c.before;
        if (!m.empty() && *c.firstTo) { EXPECT_EQ(std::string(c.after).substr(m[0].to, m[0].toLength), c.firstTo); }
    }
    std::mt19937 rng(5);
    const char* words[] = {"a\n", "b\n", "かな\n", "c d\n", "\n", "x"};
    for (int round = 0; round < 300; ++round) {
        std::string before, after;
        for (int k = static_cast<int>(rng() % 12); k > 0; --k) before += words[rng() % 5];
        for (int k = static_cast<int>(rng() % 12); k > 0; --k) after += words[rng() % 6];
        ASSERT_EQ(apply(before, after, lineChanges(before, after)), after) << before << "|" << after;
    }
}

// Past the bound the walk is greedy: sparse edits still come out one by one,
// a text all moved about comes out whole, and the result always rebuilds.
TEST(LineDiff, LongTextsStayExactAndCheap) {
    std::string before, sparse, block;
    for (int i = 0; i < 60'000; ++i) {
        const std::string line = "line " + std::to_string(i) + "\n";
        before += line;
        if (i % 997 != 5) sparse += line;              // 61 lines dropped here and there
        if (i < 30'000 || i >= 30'040) block += line;  // 40 lines in one piece
    }
    const ChangeMap s = lineChanges(before, sparse);
    EXPECT_EQ(apply(before, sparse, s), sparse);
    EXPECT_EQ(s.size(), 61u);
    const ChangeMap b = lineChanges(before, block);
    EXPECT_EQ(apply(before, block, b), block);
    EXPECT_EQ(b.size(), 1u);
    std::string reversed;
    for (int i = 59'999; i >= 0; --i) reversed += "line " + std::to_string(i) + "\n";
    EXPECT_EQ(apply(before, reversed, lineChanges(before, reversed)), reversed);
}

// The same hunks as diff -u (its two header lines aside).
TEST(LineDiff, UnifiedAsDiffDoes) {
    std::string tenLines;
    for (int i = 1; i <= 20; ++i) tenLines += "line " + std::to_string(i) + "\n";
    std::string changed = tenLines;
    changed.replace(changed.find("line 3\n"), 7, "LINE 3\n");
    changed.replace(changed.find("line 17\n"), 8, "");
    struct {
        std::string before, after;
    } cases[] = {
        {"a\nb\nc\n", "a\nB\nc\n"},
        {"a\nb\n", "a\nb\nc\n"},
        {"a\nb\nc", "a\nb\nc\n"},  // the last line gains its line end
        {"", "x\n"},
        {"x\n", ""},
        {tenLines, changed},
        {"一\n二\n三\n", "三\n二\n一\n"},
    };
    for (const auto& c : cases) {
        const std::string ours = unifiedDiff(c.before, c.after, "a", "b", false);
        kk::testing::TempFile a(c.before), b(c.after);
        auto theirs = kk::testing::runTool("diff", {"-u", a.path(), b.path()}, "", /*okExit=*/1);
        ASSERT_TRUE(theirs) << "diff is needed for this test";
        // Past the two header lines.
        auto body = [](const std::string& s) {
            std::size_t p = s.find('\n');
            p = p == std::string::npos ? s.size() : s.find('\n', p + 1);
            return p == std::string::npos ? std::string() : s.substr(p + 1);
        };
        EXPECT_EQ(body(ours), body(*theirs)) << c.before << "→" << c.after;
    }
    EXPECT_EQ(unifiedDiff("same\n", "same\n", "a", "b", false), "");
    EXPECT_NE(unifiedDiff("a\n", "b\n", "a", "b", true).find("\033[31m-a"), std::string::npos);
}

}  // namespace
}  // namespace kk::diff
