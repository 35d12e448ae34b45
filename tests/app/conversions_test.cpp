// The built-in conversion, duplicate-line and count menu operations on the model.
#include "app/texts.h"
#include "fakes.h"

#include <gtest/gtest.h>

namespace kk {
namespace {

using testing::Rig;

struct Seen {
    std::vector<std::string> statuses;
};

void start(Rig& r, const Text& text, Seen* seen = nullptr) {
    r.clipboard.text = text;
    r.state.formLoad();
    if (seen) r.state.setObserver([&r, seen](unsigned c) {
            if (c & EditorState::Status) seen->statuses.push_back(r.state.status());
        });
}

TEST(Conversion, KanaAndReverseGoThroughOutTotxtBox) {
    const struct { const char* label; const char* in; const char* out; } cases[] = {
        {texts::kConvHalfToFullKana, "ｶﾞｷﾞｸﾞ ｱﾞ", "ガギグ ア゛"},
        {texts::kConvFullToHalfKana, "ガギグ", "ｶﾞｷﾞｸﾞ"},
        {texts::kConvReverse, "abc\r\n\r\nde", "cba\r\n\r\ned"},
        {texts::kConvMime, "Subject: =?UTF-8?B?5pel5pys?=", "Subject: 日本"},
        {texts::kConvMimeBroken, "$B%F%9%H(B", "テスト"},
        {texts::kConvMimeQuoted, "=1B$B%F=\r\n%9%H=1B(B a=3Db", "テスト a=b"},
    };
    for (const auto& c : cases) {
        Rig r;
        Seen seen;
        start(r, c.in, &seen);
        r.state.markChanged();
        r.state.runConversion(c.label);
        EXPECT_EQ(r.state.workingText(), c.out) << c.label;
        EXPECT_EQ(r.state.beforeText(), c.in);
        EXPECT_EQ(r.state.afterText(), c.out);
        EXPECT_FALSE(r.state.changedMark());
        EXPECT_EQ(seen.statuses, (std::vector<std::string>{texts::kStatusRunning, texts::kStatusAfter,
                                                          texts::kStatusDone}));
        EXPECT_TRUE(r.state.history().empty());  // conversions are not commands
    }
}

TEST(Conversion, EmptyTextOrUnknownLabelChangesNothing) {
    for (const auto& [text, label] : {std::pair<Text, std::string>{"", texts::kConvReverse},
                                      {"abc", "no such conversion"}}) {
        Rig r;
        Seen seen;
        start(r, text, &seen);
        r.state.runConversion(label);
        EXPECT_EQ(r.state.workingText(), text);
        EXPECT_EQ(r.state.beforeText(), "");
        EXPECT_TRUE(seen.statuses.empty());
    }
}

TEST(Duplicates, OutcomesAndWhatTheyTouch) {
    const struct {
        const char* in;
        bool extracting;
        const char* text;    // working text afterwards
        const char* status;
        bool stored;         // before/after texts set
    } cases[] = {
        {"a\r\na\r\nb", false, "a\r\nb", "1行の重複行を削除しました", true},
        {"a\r\na\r\nb", true, "a\r\n", "1行、重複行がありました", true},
        {"x\r\nx", false, "x\r\n", "1行の重複行を削除しました", true},
        {"a\r\nb\r\na", false, "a\r\nb\r\na", "重複行はありませんでした", false},
        {"one line", true, "one line", "中断！　１行しかありません", false},
        {"", false, "", "中断！　１行しかありません", false},
    };
    for (const auto& c : cases) {
        Rig r;
        start(r, c.in);
        r.state.markChanged();
        c.extracting ? r.state.extractDuplicates() : r.state.deleteDuplicates();
        EXPECT_EQ(r.state.workingText(), c.text) << c.in;
        EXPECT_EQ(r.state.status(), c.status) << c.in;
        EXPECT_EQ(r.state.beforeText(), c.stored ? c.in : "") << c.in;
        EXPECT_EQ(r.state.afterText(), c.stored ? c.text : "") << c.in;
        EXPECT_EQ(r.state.changedMark(), !c.stored) << c.in;
    }
}

TEST(Count, StatusLineOnly) {
    Rig r;
    start(r, "abc\nｱ𠮷");
    r.state.countCharacters();
    // 3 + ｱ + 𠮷 (a surrogate pair in UTF-16, one character); 𠮷 is not in CP932: 4 UTF-8 bytes.
    EXPECT_EQ(r.state.status(), "5文字，2行，10バイト");
    EXPECT_EQ(r.state.workingText(), "abc\r\nｱ𠮷");
    EXPECT_EQ(r.state.beforeText(), "");
}

}  // namespace
}  // namespace kk
