// The built-in conversion, duplicate-line and count menu operations on the model.
#include "fakes.h"
#include "texts/texts.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include <cstdlib>

namespace kk {
namespace {

using testing::Rig;

struct Seen {
    std::vector<std::string> statuses;
};

void start(Rig& r, const Text& text, Seen* seen = nullptr) {
    r.clipboard.text = text;
    r.state.formLoad();
    if (seen)
        r.state.setObserver([&r, seen](unsigned c) {
            if (c & EditorState::Status) seen->statuses.push_back(r.state.status());
        });
}

TEST(Conversion, KanaAndReverseGoThroughOutTotxtBox) {
    const struct {
        const char* label;
        const char* in;
        const char* out;
    } cases[] = {
        {"ｶﾀｶﾅをカタカナに", "ｶﾞｷﾞｸﾞ ｱﾞ", "ガギグ ア゛"},
        {"カタカナをｶﾀｶﾅに", "ガギグ", "ｶﾞｷﾞｸﾞ"},
        {"文字反転", "abc\n\nde", "cba\n\ned"},
        {"MIMEデコード", "Subject: =?UTF-8?B?5pel5pys?=", "Subject: 日本"},
        {"MIMEデコードB", "$B%F%9%H(B", "テスト"},
        {"MIMEデコードQ", "=1B$B%F=\n%9%H=1B(B a=3Db", "テスト a=b"},
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
        EXPECT_EQ(seen.statuses, (std::vector<std::string>{texts::text(texts::Msg::StatusRunning),
                                                           texts::text(texts::Msg::StatusAfter),
                                                           texts::text(texts::Msg::StatusDone)}));
        EXPECT_TRUE(r.state.history().empty());  // conversions are not commands
    }
}

// All the menu conversions on one sample, expected texts written out. The
// filters see the text plus one line end, so the sorts and uniq show an
// empty line that the sample did not have.
TEST(Conversion, EveryLabelOnOneSample) {
    ::setenv("LC_ALL", "C", 1);  // the system sort's order
    const std::string in =
        "b10 Abc-dEF\\￥ ｶﾞﾊﾟｱ ひらがなゝ カタカナヷヽ 漢字🙂\n2 xyz\n2 xyz\nかな\n";
    const std::string l1 = "b10 Abc-dEF\\￥ ｶﾞﾊﾟｱ ひらがなゝ カタカナヷヽ 漢字🙂\n";
    const std::string rest = "2 xyz\n2 xyz\nかな\n";
    const struct {
        const char* label;
        std::string out;
    } cases[] = {
        {"ｶﾀｶﾅをカタカナに", "b10 Abc-dEF\\￥ ガパア ひらがなゝ カタカナヷヽ 漢字🙂\n" + rest},
        {"カタカナをｶﾀｶﾅに", "b10 Abc-dEF\\￥ ｶﾞﾊﾟｱ ひらがなゝ ｶﾀｶﾅヷヽ 漢字🙂\n" + rest},
        {"全角を半角に", "b10 Abc-dEF\\\\ ｶﾞﾊﾟｱ ひらがなゝ ｶﾀｶﾅﾜﾞヽ 漢字🙂\n" + rest},
        {"半角を全角に",
         "ｂ１０　Ａｂｃ－ｄＥＦ￥￥　ガパア　ひらがなゝ　カタカナヷヽ　漢字🙂\n２　ｘｙｚ\n２　ｘｙｚ\nかな"
         "\n"},
        {"単語先頭を大文字に",
         "B10 Abc-def\\￥ ｶﾞﾊﾟｱ ひらがなゝ カタカナヷヽ 漢字🙂\n2 Xyz\n2 Xyz\nかな\n"},
        {"大文字に変換",
         "B10 ABC-DEF\\￥ ｶﾞﾊﾟｱ ひらがなゝ カタカナヷヽ 漢字🙂\n2 XYZ\n2 XYZ\nかな\n"},
        {"小文字に変換", "b10 abc-def\\￥ ｶﾞﾊﾟｱ ひらがなゝ カタカナヷヽ 漢字🙂\n" + rest},
        {"ひらがなをカタカナに",
         "b10 Abc-dEF\\￥ ｶﾞﾊﾟｱ ヒラガナヽ カタカナヷヽ 漢字🙂\n2 xyz\n2 xyz\nカナ\n"},
        {"カタカナをひらがなに",
         "b10 Abc-dEF\\￥ ｶﾞﾊﾟｱ ひらがなゝ かたかなヷゝ 漢字🙂\n" + rest},
        {"文字反転",
         "🙂字漢 ヽヷナカタカ ゝながらひ ｱﾊﾟｶﾞ ￥\\FEd-cbA 01b\nzyx 2\nzyx 2\nなか\n"},
        {"MIMEデコード", in},
        {"MIMEデコードB", in},
        {"MIMEデコードQ", in},
        {"昇順ソート", "2 xyz\n2 xyz\n" + l1 + "かな\n"},
        {"降順ソート", "かな\n" + l1 + "2 xyz\n2 xyz\n"},
        {"昇順ソートn", l1 + "かな\n2 xyz\n2 xyz\n"},
        {"降順ソートn", "2 xyz\n2 xyz\n" + l1 + "かな\n"},
        {"sortf_J_a", "2 xyz\n2 xyz\n" + l1 + "かな\n"},
        {"sortf_J_d", "かな\n" + l1 + "2 xyz\n2 xyz\n"},
        {"uniq_n", l1 + "2 xyz\nかな\n"},
        {"uniq_d", "2 xyz\n"},
        {"uniq_dc", "      2 2 xyz\n"},
    };
    for (const auto& c : cases) {
        Rig r(KK_BIN_DIR);
        Seen seen;
        start(r, in, &seen);
        r.state.markChanged();
        r.state.runConversion(c.label);
        if (r.state.busy()) {  // a filter: wait for the child
            QEventLoop loop;
            r.state.setObserver([&](unsigned ch) {
                if (ch & EditorState::Status) seen.statuses.push_back(r.state.status());
                if ((ch & EditorState::Busy) && !r.state.busy()) loop.quit();
            });
            QTimer::singleShot(20000, &loop, &QEventLoop::quit);
            loop.exec();
        }
        EXPECT_EQ(r.state.workingText(), c.out) << c.label;
        EXPECT_EQ(r.state.beforeText(), in) << c.label;
        EXPECT_EQ(r.state.afterText(), c.out) << c.label;
        EXPECT_FALSE(r.state.changedMark()) << c.label;
        EXPECT_EQ(seen.statuses,
                  (std::vector<std::string>{texts::text(texts::Msg::StatusRunning),
                                            texts::text(texts::Msg::StatusAfter), texts::text(texts::Msg::StatusDone)}))
            << c.label;
        EXPECT_TRUE(r.state.history().empty()) << c.label;  // conversions are not commands
    }
}

TEST(Conversion, FailedFilterKeepsTheText) {
    Rig r;  // no helper folder: sortf cannot be found
    start(r, "b\na\n");
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", "/nonexistent", 1);
    r.state.runConversion("昇順ソートn");
    QEventLoop loop;
    r.state.setObserver([&](unsigned ch) {
        if ((ch & EditorState::Busy) && !r.state.busy()) loop.quit();
    });
    if (r.state.busy()) {
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(r.state.workingText(), "b\na\n");
    EXPECT_EQ(r.state.beforeText(), "");
    EXPECT_NE(r.state.status(), texts::text(texts::Msg::StatusDone));
    EXPECT_NE(r.state.status().find("sortf"), std::string::npos) << r.state.status();
}

TEST(Conversion, EmptyTextOrUnknownLabelChangesNothing) {
    for (const auto& [text, label] : {std::pair<Text, std::string>{"", "文字反転"}, {"abc", "no such conversion"}}) {
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
        const char* text;  // working text afterwards
        const char* status;
        bool stored;  // before/after texts set
    } cases[] = {
        {"a\na\nb", false, "a\nb", "1行の重複行を削除しました", true},
        {"a\na\nb", true, "a\n", "1行、重複行がありました", true},
        {"x\nx", false, "x\n", "1行の重複行を削除しました", true},
        {"a\nb\na", false, "a\nb\na", "連続する重複行はありませんでした", false},
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
    EXPECT_EQ(r.state.workingText(), "abc\nｱ𠮷");
    EXPECT_EQ(r.state.beforeText(), "");
}

}  // namespace
}  // namespace kk
