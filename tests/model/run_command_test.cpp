// The run command: classification, checks, anchors, output, history, one-shot,
// and filters through the real process layer.
#include "fakes.h"
#include "texts/texts.h"

#include <gtest/gtest.h>

namespace kk {
namespace {

using testing::Rig;
using V = std::vector<Text>;

TEST(Classify, ByFirstCharacters) {
    struct {
        const char* cmd;
        CommandMode mode;
    } cases[] = {
        {"s/a/b/", CommandMode::Substitute}, {"m/a/", CommandMode::Match},     {"tr/a/b/", CommandMode::Translate},
        {"S/a/b/", CommandMode::Filter},     {" s/a/b/", CommandMode::Filter}, {"", CommandMode::Filter},
        {"sort", CommandMode::Filter},       {"t/a/b/", CommandMode::Filter},
    };
    for (const auto& c : cases) EXPECT_EQ(classifyCommand(c.cmd), c.mode) << c.cmd;
}

TEST(Classify, ChecksAndAnchors) {
    using regex::isLineAnchored;
    using regex::passesCommandCheck;
    EXPECT_FALSE(passesCommandCheck("s///gk"));
    EXPECT_FALSE(passesCommandCheck("s/a/b"));
    EXPECT_FALSE(passesCommandCheck("tr/a/b"));
    EXPECT_TRUE(passesCommandCheck("m/a/"));
    EXPECT_FALSE(passesCommandCheck("m/a"));
    EXPECT_TRUE(passesCommandCheck("s/a/b/"));
    EXPECT_TRUE(passesCommandCheck(std::string("s/") + std::string(40000, 'a') + "/b/"));  // no 16-bit bound

    EXPECT_TRUE(isLineAnchored("s/^a/b/"));
    EXPECT_TRUE(isLineAnchored("s/a$/b/"));
    EXPECT_TRUE(isLineAnchored("s/$/b/"));
    EXPECT_FALSE(isLineAnchored("s/a\\$/b/"));
    EXPECT_FALSE(isLineAnchored("s/a\\/b$/c/"));  // the escaped "/" ends the pattern for this rule
    EXPECT_FALSE(isLineAnchored("s//b/"));
    EXPECT_FALSE(isLineAnchored("s/a$b/c/"));
}

// The one reading of a command at the model's door, by each set of rules:
// what it refuses, and whether the command works line by line.
TEST(Classify, ReadOnceByRules) {
    using regex::CommandRules;
    using texts::Msg;
    constexpr auto W = CommandRules::Window, T = CommandRules::Typing, A = CommandRules::AsItStands;
    struct {
        const char* cmd;
        CommandRules rules;
        Msg error;  // Msg::Last: read
        bool lineAnchored;
        std::int64_t column;
    } cases[] = {
        {"s/a/b", W, Msg::CheckCommand, false, -1},  {"s///gk", W, Msg::CheckCommand, false, -1},
        {"s///gk", T, Msg::Last, false, -1},          {"s/^a/b/", W, Msg::Last, true, -1},
        {"s/^a/b/", T, Msg::Last, true, -1},          {"s/^a/b/", A, Msg::Last, false, -1},
        {"s/a$/b/g", W, Msg::Last, true, -1},         {"tr/^a/b/", W, Msg::Last, false, -1},
        {"m/^a/", W, Msg::Last, false, -1},           {"s/a/b/q", W, Msg::UnknownOption, false, 6},
        {"sort", W, Msg::Last, false, -1},            {"s/a/b/e", A, Msg::OptionENotSupported, false, 6},
    };
    for (const auto& c : cases) {
        auto r = regex::readCommand(c.cmd, c.rules);
        if (c.error != Msg::Last) {
            ASSERT_FALSE(r) << c.cmd;
            EXPECT_EQ(r.error().code, c.error) << c.cmd;
            EXPECT_EQ(r.error().column, c.column) << c.cmd;
            continue;
        }
        ASSERT_TRUE(r) << c.cmd << ": " << r.error().text();
        EXPECT_EQ(r.value().source, c.cmd);
        EXPECT_EQ(r.value().mode, classifyCommand(c.cmd)) << c.cmd;
        EXPECT_EQ(r.value().lineAnchored, c.lineAnchored) << c.cmd;
        // Line by line is perl's m on the pattern.
        EXPECT_EQ(r.value().options.multiline, c.lineAnchored) << c.cmd;
    }
}

TEST(Run, RefusedCommandChangesNothing) {
    for (const char* cmd : {"s///gk", "s/a/b", "m/a"}) {
        Rig r;
        r.state.setWorkingTextFromView("text");
        r.run(cmd);
        ASSERT_EQ(r.prompt.shown.size(), 1u) << cmd;
        EXPECT_EQ(r.prompt.shown[0].text, texts::text(texts::Msg::CheckCommand));
        EXPECT_EQ(r.prompt.shown[0].icon, Prompt::Icon::Error);
        EXPECT_EQ(r.state.workingText(), "text");
        // The status line says it too, never an earlier run's "done".
        EXPECT_EQ(r.state.status(), texts::text(texts::Msg::CheckCommand));
        EXPECT_TRUE(r.state.history().empty());
    }
}

TEST(Run, RegexRunSetsTextsStatusAndHistory) {
    Rig r;
    r.state.setWorkingTextFromView("foo\nbar foo\n");
    r.state.markChanged();
    r.run("s/foo/baz/g");
    EXPECT_EQ(r.state.workingText(), "baz\nbar baz\n");
    EXPECT_EQ(r.state.beforeText(), "foo\nbar foo\n");
    EXPECT_EQ(r.state.afterText(), "baz\nbar baz\n");
    EXPECT_EQ(r.state.status(), texts::text(texts::Msg::StatusDone));
    EXPECT_FALSE(r.state.changedMark());
    EXPECT_EQ(r.state.history(), (V{"s/foo/baz/g"}));
    EXPECT_EQ(r.history(), "s/foo/baz/g\r\n");
    r.state.showBefore();
    EXPECT_EQ(r.state.workingText(), "foo\nbar foo\n");
}

TEST(Run, DispatchesByKind) {
    struct {
        const char* cmd;
        bool invert;
        const char* text;
        const char* result;
    } cases[] = {
        {"s/^/> /g", false, "a\nb", "> a\n> b"},  // anchored: line by line
        {"s/b$/B/", false, "ab\ncb", "aB\ncb"},   // anchored, without g: the first line only
        {"tr/a-c/A-C/", false, "abcd", "ABCd"},  {"tr/^a/x/", false, "^a", "xx"},  // tr ignores the anchor rule
        {"m/a/", false, "a\nb\nab", "a\nab\n"},  {"m/a/", true, "a\nb\nab", "b\n"}, {"s/a/b/", false, "", ""},
    };
    for (const auto& c : cases) {
        Rig r;
        r.state.setInvert(c.invert);
        r.state.setWorkingTextFromView(c.text);
        r.run(c.cmd);
        EXPECT_EQ(r.state.workingText(), c.result) << c.cmd;
        EXPECT_EQ(r.state.status(), texts::text(texts::Msg::StatusDone)) << c.cmd;
    }
}

TEST(Run, EngineErrorKeepsTextAndSaysWhy) {
    Rig r;
    r.state.setWorkingTextFromView("keep me");
    r.state.loadClipboard();
    r.state.setWorkingTextFromView("keep me");
    r.run("s/(/x/");
    EXPECT_EQ(r.state.workingText(), "keep me");
    EXPECT_EQ(r.state.status(), "パターンの誤り: 「)」がありません (4 文字目)");  // never "done"
    ASSERT_EQ(r.prompt.shown.size(), 1u);
    // The window speaks Japanese: what is wrong and where.
    EXPECT_EQ(r.prompt.shown[0].text, "パターンの誤り: 「)」がありません (4 文字目)");
    EXPECT_TRUE(r.state.history().empty());
    EXPECT_EQ(r.state.beforeText(), "");
}

TEST(Run, HistoryRule) {
    Rig r;
    r.state.setWorkingTextFromView("x");
    for (const char* c : {"s/a/b/", "s/a/b/", "s/c/d/", "s/a/b/"}) r.run(c);
    EXPECT_EQ(r.state.history(), (V{"s/a/b/", "s/c/d/", "s/a/b/"}));
    EXPECT_EQ(r.history(), "s/a/b/\r\ns/c/d/\r\ns/a/b/\r\n");

    const std::string c200 = "s/a/" + std::string(195, 'b') + "/";
    const std::string c201 = "s/a/" + std::string(196, 'b') + "/";
    ASSERT_EQ(c200.size(), 200u);
    r.run(c200);
    r.run(c201);
    EXPECT_EQ(r.state.history().front(), c201);
    EXPECT_NE(r.history().find(c200 + "\r\n"), std::string::npos);
    EXPECT_EQ(r.history().find(c201), std::string::npos);
    r.state.reloadLists();
    EXPECT_EQ(r.state.history().front(), c200);
}

TEST(Run, FilterCommand) {
    Rig r;
    r.state.setWorkingTextFromView("b\na\nc");
    r.run("sort");
    EXPECT_EQ(r.state.workingText(), "a\nb\nc\n");
    EXPECT_EQ(r.state.beforeText(), "b\na\nc");
    EXPECT_EQ(r.state.status(), texts::text(texts::Msg::StatusDone));
    EXPECT_EQ(r.state.history(), (V{"sort"}));
    // A text that ends with a line end reaches the filter as it is: no empty
    // line sorted first; a CR LF text ends its last line with CR LF.
    r.state.setWorkingTextFromView("b\na\n");
    r.run("sort");
    EXPECT_EQ(r.state.workingText(), "a\nb\n");
    r.state.setWorkingTextFromView("b\r\na");
    r.run("cat");
    EXPECT_EQ(r.state.workingText(), "b\r\na\r\n");
    r.state.setWorkingTextFromView("");
    r.run("wc -l");
    EXPECT_EQ(r.state.workingText(), "1\n");  // an empty text is one empty line
    // Unicode goes through whole.
    r.state.setWorkingTextFromView("𠮷野家🙂");
    r.run("cat");
    EXPECT_EQ(r.state.workingText(), "𠮷野家🙂\n");
}

TEST(Run, FilterFaults) {
    struct {
        const char* cmd;
        bool fails;
        const char* result;  // when it does not fail
    } cases[] = {
        {"no-such-command-kk", true, ""},
        {"echo oops >&2; exit 3", true, ""},
        {"grep nothing-matches", true, ""},  // non-zero with no output: failed, the text stays
        {"false", true, ""},
        {"grep -c nothing-matches", false, "0\n"},  // non-zero with output: the output
        {"true", false, ""},                        // exit 0 with no output: an empty result
        {"printf '\\202\\240\\n'", false, "あ\n"},  // not UTF-8: read as CP932
        {"kill -9 $$", true, ""},                   // the child killed: a failure, text kept
        {"head -c 2; exit 0", false, "ke"},         // stops reading early: its output as it is
        {"cat >/dev/null; echo done", false, "done\n"},
    };
    for (const auto& c : cases) {
        Rig r;
        r.state.setWorkingTextFromView("keep");
        r.run(c.cmd);
        if (c.fails) {
            EXPECT_EQ(r.state.workingText(), "keep") << c.cmd;
            EXPECT_NE(r.state.status(), texts::text(texts::Msg::StatusDone)) << c.cmd;
            EXPECT_EQ(r.state.beforeText(), "") << c.cmd;
        } else {
            EXPECT_EQ(r.state.workingText(), c.result) << c.cmd;
            EXPECT_EQ(r.state.status(), texts::text(texts::Msg::StatusDone)) << c.cmd;
        }
        EXPECT_EQ(r.state.history(), (V{c.cmd})) << c.cmd;  // recorded either way
        EXPECT_FALSE(r.state.busy());
    }
}

TEST(Run, FilterErrorNamesTheFirstLine) {
    Rig r;
    r.state.setWorkingTextFromView("keep");
    r.run("echo first problem >&2; echo second >&2; exit 1");
    EXPECT_NE(r.state.status().find("first problem"), std::string::npos);
    EXPECT_EQ(r.state.status().find("second"), std::string::npos);
}

TEST(Run, HangingFilterIsCancelled) {
    Rig r;
    r.state.setWorkingTextFromView("keep");
    r.state.setCommandLineFromView("sleep 100");
    bool done = false;
    QEventLoop loop;
    r.state.run([&](const Outcome&) {
        done = true;
        loop.quit();
    });
    EXPECT_TRUE(r.state.busy());
    r.state.run();  // a second run is refused while one runs
    QTimer::singleShot(200, [&] { r.state.cancel(); });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(done);
    EXPECT_FALSE(r.state.busy());
    EXPECT_EQ(r.state.workingText(), "keep");
    EXPECT_EQ(r.state.status(), "中止しました");
}

TEST(Run, BigFilterOutput) {
    Rig r;
    r.state.setWorkingTextFromView("x");
    r.run("yes 0123456789012345678901234567890123456789012345678 | head -c 50000000");
    EXPECT_EQ(r.state.workingText().size(), 50'000'000u);
}

TEST(OneShot, LoadsRunsCopiesBack) {
    Rig r;
    r.clipboard.text = "hello\nworld";
    r.state.setCommandLineFromView("s/o/0/g");
    bool idle = false;
    r.state.oneShot();
    idle = !r.state.busy();
    EXPECT_TRUE(idle);
    EXPECT_EQ(r.clipboard.text, "hell0\nw0rld");
    EXPECT_EQ(r.state.beforeText(), "hello\nworld");
}

TEST(OneShot, RefusedCommandStillCopiesTheLoadedText) {
    Rig r;
    r.clipboard.text = "as loaded";
    r.state.setWorkingTextFromView("other");
    r.state.oneShot();  // command line is "s///gk"
    EXPECT_EQ(r.prompt.shown.size(), 1u);
    EXPECT_EQ(r.clipboard.text, "as loaded");
    EXPECT_EQ(r.clipboard.writes, 1);
}

TEST(OneShot, WithFilterCopiesAfterTheChildEnds) {
    Rig r;
    r.clipboard.text = "b\na";
    r.state.setCommandLineFromView("sort");
    bool done = false;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!r.state.busy()) {
            done = true;
            loop.quit();
        }
    });
    r.state.oneShot();
    poll.start(20);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(done);
    EXPECT_EQ(r.clipboard.text, "a\nb\n");
}

TEST(OutTotxtBox, PutsResultAndAfterText) {
    Rig r;
    r.state.markChanged();
    r.state.outTotxtBox("result");
    EXPECT_EQ(r.state.workingText(), "result");
    EXPECT_EQ(r.state.afterText(), "result");
    EXPECT_EQ(r.state.beforeText(), "");
    EXPECT_EQ(r.state.status(), texts::text(texts::Msg::StatusAfter));
    EXPECT_FALSE(r.state.changedMark());
    EXPECT_TRUE(r.state.history().empty());
}

}  // namespace
}  // namespace kk
