// The preview (a result shown, nothing taken), the change spans after every
// kind of operation, and the runs that can be undone.
#include "diff/line_diff.h"
#include "fakes.h"
#include "texts/texts.h"

#include <gtest/gtest.h>

namespace kk {
namespace {

using testing::Rig;
using K = Outcome::Kind;

// Applying the spans to the text before gives the text after.
std::string apply(std::string_view before, std::string_view after, const diff::ChangeMap& changes) {
    std::string out;
    std::size_t copied = 0;
    for (const diff::Change& c : changes) {
        out.append(before.substr(copied, c.from - copied));
        out.append(after.substr(c.to, c.toLength));
        copied = c.from + c.fromLength;
    }
    out.append(before.substr(copied));
    return out;
}

std::shared_ptr<const EditorState::Preview> previewOf(Rig& r, const std::string& command, bool invert = false) {
    std::shared_ptr<const EditorState::Preview> got;
    r.state.preview(command, invert, [&](std::shared_ptr<const EditorState::Preview> p) { got = std::move(p); });
    return got;
}

TEST(Preview, ShowsWithoutTaking) {
    struct Case {
        const char* command;
        bool invert;
        K kind;
        const char* text;
        std::int64_t count;
    } cases[] = {
        {"s/(\\d+)/<$1>/g", false, K::Done, "a<1> b<22>\nc<333>\n", 3},
        {"s/^/> /g", false, K::Done, "> a1 b22\n> c333\n", 2},  // line-anchored, as the run would be
        {"tr/a-c/A-C/", false, K::Done, "A1 B22\nC333\n", 3},
        {"m/b/", false, K::Done, "a1 b22\n", 1},
        {"m/b/", true, K::Done, "c333\n", 1},
        {"s/(/x/", false, K::Refused, "", 0},
        {"sort", false, K::Refused, "", 0},  // a filter is never run by a preview
    };
    for (const auto& c : cases) {
        Rig r;
        r.state.setWorkingTextFromView("a1 b22\nc333\n");
        const std::string status = r.state.status();
        const auto p = previewOf(r, c.command, c.invert);
        ASSERT_TRUE(p) << c.command;
        EXPECT_EQ(p->outcome.kind, c.kind) << c.command << ": " << p->outcome.message;
        if (c.kind == K::Done) {
            EXPECT_EQ(*p->text, c.text) << c.command;
            EXPECT_EQ(p->count, c.count) << c.command;
            if (c.command[0] != 'm') {
                EXPECT_EQ(apply("a1 b22\nc333\n", *p->text, p->changes), *p->text) << c.command;
            }
        }
        // Nothing of the state moved.
        EXPECT_EQ(r.state.workingText(), "a1 b22\nc333\n");
        EXPECT_EQ(r.state.beforeText(), "");
        EXPECT_EQ(r.state.afterText(), "");
        EXPECT_TRUE(r.state.history().empty());
        EXPECT_EQ(r.state.status(), status);
        EXPECT_EQ(r.clipboard.writes, 0);
        EXPECT_TRUE(r.prompt.shown.empty());  // errors while typing need no message box
    }
    Rig r;
    r.state.setWorkingTextFromView("x");
    const auto bad = previewOf(r, "s/ab(/x/");
    EXPECT_EQ(bad->outcome.column, 5);
    const auto matched = previewOf(r, "m/x/");
    EXPECT_EQ(matched->outcome.message, "1" + std::string(texts::text(texts::Msg::PreviewLines)));
}

TEST(Preview, ANewKeyOvertakesTheOldOne) {
    testing::HeldRig r;
    r.state.setWorkingTextFromView("abc");
    std::vector<std::string> shown;
    auto show = [&](std::shared_ptr<const EditorState::Preview> p) { shown.push_back(*p->text); };
    r.state.preview("s/a/1/", false, show);
    r.state.preview("s/a/12/", false, show);
    r.tasks.release();
    EXPECT_EQ(shown, (std::vector<std::string>{"12bc"}));  // only the newest is shown
    EXPECT_FALSE(r.state.busy());
}

// After a run of any kind the spans say what changed, as an independent line
// diff of the two texts would rebuild it.
TEST(Changes, AfterEveryKindOfOperation) {
    const std::string before = "b2\na1\nc3 かな\n";
    struct Case {
        const char* name;
        std::function<void(Rig&)> act;
    } cases[] = {
        {"s///", [](Rig& r) { r.run("s/(\\d)/<$1>/g"); }},
        {"tr///", [](Rig& r) { r.run("tr/a-c/A-C/"); }},
        {"filter", [](Rig& r) { r.run("sort"); }},
        {"conversion", [](Rig& r) { r.state.runConversion("hiragana-to-katakana"); }},
    };
    for (const auto& c : cases) {
        Rig r;
        r.state.setWorkingTextFromView(before);
        c.act(r);
        ASSERT_EQ(r.state.lastOutcome().kind, K::Done) << c.name << ": " << r.state.lastOutcome().message;
        const std::string after = r.state.workingText();
        EXPECT_FALSE(r.state.lastChanges().empty()) << c.name;
        EXPECT_EQ(apply(before, after, r.state.lastChanges()), after) << c.name;
        EXPECT_EQ(apply(before, after, diff::lineChanges(before, after)), after) << c.name;
    }
    // m//: the kept lines' matches; with -v the kept lines match nothing to mark.
    Rig r;
    r.state.setWorkingTextFromView(before);
    r.run("m/\\d/");
    ASSERT_EQ(r.state.lastChanges().size(), 3u);
    for (const auto& ch : r.state.lastChanges())
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(r.state.workingText()[ch.to])));
    Rig inverted;
    inverted.state.setWorkingTextFromView("a1\nbb\n");
    inverted.state.setInvert(true);
    inverted.run("m/\\d/");
    EXPECT_EQ(inverted.state.workingText(), "bb\n");
    EXPECT_TRUE(inverted.state.lastChanges().empty());
    r.state.showBefore();  // a view is no run: the spans go
}

TEST(Undo, RunsCanBeUndoneAndRedone) {
    Rig r;
    r.state.setWorkingTextFromView("a");
    r.run("s/a/b/");
    r.run("s/b/c/");
    r.state.runConversion("upper");
    EXPECT_EQ(r.state.workingText(), "C");
    r.state.undoRun();
    EXPECT_EQ(r.state.workingText(), "c");
    EXPECT_EQ(r.state.status(), std::string(texts::text(texts::Msg::Undone)) + " (3/4)");
    r.state.undoRun();
    r.state.undoRun();
    EXPECT_EQ(r.state.workingText(), "a");
    EXPECT_FALSE(r.state.canUndoRun());
    r.state.undoRun();  // nothing more: nothing changes
    EXPECT_EQ(r.state.workingText(), "a");
    r.state.redoRun();
    EXPECT_EQ(r.state.workingText(), "b");
    EXPECT_EQ(r.state.status(), std::string(texts::text(texts::Msg::Redone)) + " (2/4)");
    r.run("s/b/x/");  // a new run drops what could be redone
    EXPECT_FALSE(r.state.canRedoRun());
    r.state.undoRun();
    EXPECT_EQ(r.state.workingText(), "b");
    // The before/after views keep working as they did.
    r.state.showBefore();
    EXPECT_EQ(r.state.workingText(), "b");
    // Bounded: only the newest levels are kept.
    Rig deep;
    deep.state.setWorkingTextFromView("0");
    for (int i = 1; i <= 30; ++i) deep.run("s/.*/" + std::to_string(i) + "/");
    int undone = 0;
    while (deep.state.canUndoRun()) deep.state.undoRun(), ++undone;
    EXPECT_EQ(undone, 20);
    EXPECT_EQ(deep.state.workingText(), "10");
}

// The levels hold whole texts: within a memory budget, the oldest go first
// and the status line says how many are left.
TEST(Undo, LevelsStayWithinTheMemoryBudget) {
    Rig r;
    Services services{r.clipboard, r.files, r.prompt, r.desktop, r.processes, r.tasks, DataFolder("/data"), ""};
    services.undoBudgetBytes = 10'000;
    EditorState state(services);
    state.setWorkingTextFromView(std::string(3000, 'a'));
    bool noted = false;
    for (int i = 0; i < 12; ++i) {
        state.setCommandLineFromView(i % 2 ? "s/b/a/g" : "s/a/b/g");
        state.run([](const Outcome&) {});
        noted = noted || state.status().find(texts::message(texts::Msg::UndoLevelsKept, "")) != std::string::npos ||
                state.status().find("元に戻せるのは") != std::string::npos;
    }
    int levels = 0;
    while (state.canUndoRun()) state.undoRun(), ++levels;
    EXPECT_GE(levels, 2);
    EXPECT_LE(levels, 5);  // 12 runs of 3 KB within 10 KB (the texts on show not counted)
    EXPECT_TRUE(noted);
}

// A text equal to one already held is that one (the same clipboard loaded
// again, a run giving what an earlier one gave); a text that differs only
// where the quick samples do not look is still its own.
TEST(Undo, EqualTextsShareOneCopy) {
    Rig r;
    Text text(std::size_t{2} << 20, 'a');
    text[1000] = 'X';
    r.clipboard.text = text;
    r.state.formLoad();
    const SharedText loaded = r.state.sharedWorkingText();
    r.run("s/X/Y/");
    const SharedText first = r.state.sharedWorkingText();
    r.state.loadClipboard();
    EXPECT_EQ(r.state.sharedWorkingText(), loaded);  // not a second 2 MB
    r.run("s/X/Y/");
    EXPECT_EQ(r.state.sharedWorkingText(), first);
    r.state.loadClipboard();
    r.run("s/X/Z/");  // same size, same samples, one byte apart
    EXPECT_NE(r.state.sharedWorkingText(), first);
    EXPECT_EQ(r.state.workingText()[1000], 'Z');
    r.state.undoRun();
    EXPECT_EQ(r.state.workingText()[1000], 'X');
    r.state.undoRun();
    EXPECT_EQ(r.state.workingText()[1000], 'Y');
    EXPECT_EQ(r.state.workingText().size(), text.size());
}

}  // namespace
}  // namespace kk
