// Every model operation ends in one outcome, and only a done one replaces the
// working text; failures keep it, and nothing is copied over a clipboard
// that held no text or after a run that failed.
#include "fakes.h"
#include "platform/qt_task_runner.h"
#include "regex/operations.h"
#include "texts/texts.h"

#include <gtest/gtest.h>
#include <QTest>

#include <atomic>
#include <chrono>
#include <new>
#include <thread>

namespace kk {
namespace {

using testing::Rig;
using K = Outcome::Kind;

Outcome await(Rig& r, const std::function<void(OutcomeHandler)>& start) {
    const std::optional<Outcome> got = testing::awaitOutcome(start);
    EXPECT_TRUE(got.has_value());
    EXPECT_FALSE(r.state.busy());
    return got.value_or(Outcome::failed("no outcome"));
}

TEST(Outcome, EachOperationSaysHowItEnded) {
    struct Case {
        const char* name;
        const char* text;
        std::function<void(Rig&, OutcomeHandler)> act;
        K kind;
        const char* after;  // the working text afterwards
    };
    auto run = [](const char* command) {
        return [command](Rig& r, OutcomeHandler done) {
            r.state.setCommandLineFromView(command);
            r.state.run(std::move(done));
        };
    };
    auto convert = [](const char* name) {
        return [name](Rig& r, OutcomeHandler done) { r.state.runConversion(name, std::move(done)); };
    };
    const Case cases[] = {
        {"replace", "aa", run("s/a/b/g"), K::Done, "bb"},
        {"no line matches: an empty result", "a\n", run("m/zzz/"), K::Done, ""},
        {"filter with empty output", "a", run("true"), K::Done, ""},
        {"bad pattern", "keep", run("s/(/x/"), K::Refused, "keep"},
        {"untouched initial command", "keep", run("s///gk"), K::Refused, "keep"},
        {"failing filter", "keep", run("false"), K::Failed, "keep"},
        {"missing filter", "keep", run("no-such-command-kk"), K::Failed, "keep"},
        {"conversion", "abc", convert("upper"), K::Done, "ABC"},
        {"unknown conversion", "keep", convert("no-such-conversion"), K::Refused, "keep"},
        {"no duplicates: the text stays", "a\nb\n", convert("extract-duplicates"), K::Done, "a\nb\n"},
        {"one line: nothing to compare", "one", convert("dedupe"), K::Refused, "one"},
        {"count", "abc", [](Rig& r, OutcomeHandler d) { r.state.countCharacters(std::move(d)); }, K::Done, "abc"},
    };
    for (const auto& c : cases) {
        Rig r;
        r.state.setWorkingTextFromView(c.text);
        const Outcome o = await(r, [&](OutcomeHandler done) { c.act(r, std::move(done)); });
        EXPECT_EQ(o.kind, c.kind) << c.name << ": " << o.message;
        EXPECT_EQ(r.state.workingText(), c.after) << c.name;
        EXPECT_EQ(r.state.lastOutcome().kind, c.kind) << c.name;
        if (c.kind != K::Done) {
            EXPECT_EQ(r.state.beforeText(), "") << c.name;  // nothing remembered
        }
    }
}

TEST(Outcome, BadPatternCarriesItsColumn) {
    Rig r;
    r.state.setCommandLineFromView("s/ab(/x/");
    const Outcome o = await(r, [&](OutcomeHandler d) { r.state.run(std::move(d)); });
    EXPECT_EQ(o.kind, K::Refused);
    EXPECT_EQ(o.column, 5);
}

TEST(Outcome, ClipboardWithoutTextOrUnreachable) {
    struct Case {
        const char* name;
        bool hasText, reachable, takesText;
        K load, copy;
    } cases[] = {
        {"text", true, true, true, K::Done, K::Done},
        {"an image", false, true, true, K::Refused, K::Done},
        {"unreachable", true, false, false, K::Failed, K::Failed},
    };
    for (const auto& c : cases) {
        Rig r;
        r.clipboard.text = c.hasText ? "clip" : "";
        r.clipboard.hasText = c.hasText;
        r.clipboard.reachable = c.reachable;
        r.clipboard.takesText = c.takesText;
        r.state.setWorkingTextFromView("mine");
        EXPECT_EQ(await(r, [&](OutcomeHandler d) { r.state.loadClipboard(std::move(d)); }).kind, c.load) << c.name;
        if (!c.hasText) {
            EXPECT_EQ(r.state.workingText(), "") << c.name;  // as any load: the text of the clipboard, none
            EXPECT_EQ(r.state.status(), texts::text(texts::Msg::StatusClipboard)) << c.name;
        }
        EXPECT_EQ(await(r, [&](OutcomeHandler d) { r.state.copyBack(std::move(d)); }).kind, c.copy) << c.name;
    }
}

TEST(Outcome, LoadSaysWhenThePlatformReplacedBytes) {
    Rig r;
    r.clipboard.text = "a\xEF\xBF\xBD";
    r.clipboard.replaced = true;
    EXPECT_TRUE(await(r, [&](OutcomeHandler d) { r.state.loadClipboard(std::move(d)); }).ok());
    EXPECT_EQ(r.state.status(), texts::text(texts::Msg::ClipboardHadReplacements));
}

// The one-shot copies back only what a run made of a text it loaded.
TEST(Outcome, OneShotNeverCopiesOverWhatItCouldNotUse) {
    struct Case {
        const char* name;
        bool hasText;
        const char* command;
        K kind;
        int writes;
    } cases[] = {
        {"image on the clipboard", false, "s/a/b/", K::Refused, 0},
        {"failing filter", true, "false", K::Failed, 0},
        {"refused command: the loaded text goes back", true, "s///gk", K::Refused, 1},
        {"done", true, "s/a/b/", K::Done, 1},
    };
    for (const auto& c : cases) {
        Rig r;
        r.clipboard.text = c.hasText ? "a" : "";
        r.clipboard.hasText = c.hasText;
        r.state.setCommandLineFromView(c.command);
        EXPECT_EQ(await(r, [&](OutcomeHandler d) { r.state.oneShot(std::move(d)); }).kind, c.kind) << c.name;
        EXPECT_EQ(r.clipboard.writes, c.writes) << c.name;
    }
}

using testing::HeldRig;

TEST(Outcome, CancelledConversionAndTranslationKeepTheText) {
    for (const bool translating : {false, true}) {
        HeldRig r;
        const std::string big(9u << 20, 'a');  // long enough to be looked at between slices
        r.state.setWorkingTextFromView(big);
        std::optional<Outcome> got;
        auto done = [&](const Outcome& o) { got = o; };
        if (translating) {
            r.state.setCommandLineFromView("tr/a/b/");
            r.state.run(done);
        } else {
            r.state.runConversion("upper", done);
        }
        ASSERT_TRUE(r.state.busy());
        r.state.cancel();
        r.tasks.release();
        ASSERT_TRUE(got);
        EXPECT_EQ(got->kind, K::Cancelled) << translating;
        EXPECT_TRUE(r.state.workingText() == big);
        EXPECT_FALSE(r.state.busy());
    }
}

// A clipboard whose text cannot be built (memory runs out on a huge one):
// the exception becomes a failure, the program and the text live on.
class ExhaustedClipboard final : public Clipboard {
public:
    std::optional<std::string> readText() override { return std::string(); }
    bool writeText(const std::string&) override { return true; }
    std::optional<TextMaker> snapshotText() override {
        return TextMaker([]() -> std::string { throw std::bad_alloc(); });
    }
};

TEST(Outcome, ExceptionInTheWorkIsAFailure) {
    Rig r;
    ExhaustedClipboard clipboard;
    EditorState state(Services{clipboard, r.files, r.prompt, r.desktop, r.processes, r.tasks, DataFolder("/data"), ""});
    state.setWorkingTextFromView("mine");
    std::optional<Outcome> got;
    state.loadClipboard([&](const Outcome& o) { got = o; });
    ASSERT_TRUE(got);
    EXPECT_EQ(got->kind, K::Failed);
    EXPECT_EQ(got->message, texts::text(texts::Msg::OutOfMemory));
    EXPECT_EQ(state.workingText(), "mine");
    EXPECT_FALSE(state.busy());
}

// A replace that would grow past the filters' bound stops with a message
// instead of taking all the memory there is.
TEST(Outcome, RunawayReplaceIsStopped) {
    Rig r;
    const std::string text(1100u << 10, 'x');
    r.state.setWorkingTextFromView(text);
    r.state.setCommandLineFromView("s/x/" + std::string(1000, 'y') + "/g");
    const Outcome o = await(r, [&](OutcomeHandler d) { r.state.run(std::move(d)); });
    EXPECT_EQ(o.kind, K::Failed);
    EXPECT_EQ(o.message, texts::text(texts::Msg::OutputTooBig));
    EXPECT_TRUE(r.state.workingText() == text);
}

TEST(Outcome, CommandWithALineBreakStaysOutOfTheHistoryFile) {
    Rig r;
    r.files.files["/data/kakikae1.ini"] = "old";  // no final line end
    r.state.setWorkingTextFromView("x");
    r.run("echo a\necho b");
    r.run("s/x/y/");
    EXPECT_EQ(r.state.history(), (std::vector<Text>{"s/x/y/", "echo a\necho b"}));
    EXPECT_EQ(r.history(), "old\r\ns/x/y/\r\n");
}

TEST(Outcome, CommandLineRunsLeaveTheHistoryAlone) {
    Rig r;
    EditorState quiet(Services{r.clipboard, r.files, r.prompt, r.desktop, r.processes, r.tasks, DataFolder("/data"), "",
                               filter::kMaxFilterOutputBytes, false});
    quiet.setCommandLineFromView("s/a/b/");
    quiet.run();
    EXPECT_TRUE(quiet.history().empty());
    EXPECT_EQ(r.files.files.count("/data/kakikae1.ini"), 0u);
}

}  // namespace
}  // namespace kk

namespace kk {
namespace {

// The model with real worker threads, as the window runs it (and as the
// ThreadSanitizer build checks it): results land on the UI thread, a cancel
// from the UI thread reaches the worker.
TEST(Threads, WorkRunsOnAWorkerAndCanBeStopped) {
    testing::FakeClipboard clipboard;
    testing::MemoryFiles files;
    testing::ScriptedPrompt prompt;
    testing::FakeDesktop desktop;
    QtProcessRunner processes;
    QtTaskRunner tasks;
    EditorState state{Services{clipboard, files, prompt, desktop, processes, tasks, DataFolder("/data"), ""}};
    auto await = [&](const std::function<void(OutcomeHandler)>& start, const std::function<void()>& meanwhile = {}) {
        std::optional<Outcome> got;
        QEventLoop loop;
        start([&](const Outcome& o) {
            got = o;
            loop.quit();
        });
        if (meanwhile) meanwhile();
        if (!got) {
            QTimer::singleShot(30000, &loop, &QEventLoop::quit);
            loop.exec();
        }
        return got.value_or(Outcome::failed("no outcome"));
    };
    clipboard.text = std::string(6u << 20, 'a') + "\n";
    EXPECT_TRUE(await([&](OutcomeHandler d) { state.loadClipboard(std::move(d)); }).ok());
    EXPECT_EQ(await([&](OutcomeHandler d) { state.runConversion("upper", std::move(d)); }).kind, K::Done);
    EXPECT_EQ(state.workingText().substr(0, 3), "AAA");
    state.setCommandLineFromView("s/A/b/g");
    const Outcome stopped = await([&](OutcomeHandler d) { state.run(std::move(d)); }, [&] { state.cancel(); });
    EXPECT_TRUE(stopped.kind == K::Cancelled || stopped.kind == K::Done) << stopped.message;
    if (stopped.kind == K::Cancelled) { EXPECT_EQ(state.workingText().substr(0, 3), "AAA"); }
    EXPECT_TRUE(await([&](OutcomeHandler d) { state.copyBack(std::move(d)); }).ok());
    EXPECT_EQ(clipboard.text.size(), state.workingText().size());
    EXPECT_FALSE(state.busy());

    // Previews on workers: a newer one overtakes the one before, which says nothing.
    int shown = 0;
    std::string last;
    QEventLoop loop;
    for (const char* command : {"s/A/1/g", "s/A/2/g", "tr/A/3/"})
        state.preview(command, false, [&](std::shared_ptr<const EditorState::Preview> p) {
            ++shown;
            last = p->text->substr(0, 3);
            loop.quit();
        });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    QTest::qWait(200);  // the overtaken ones, had they spoken, would have by now
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(last == "333" || last == "bbb") << last;  // "bbb" when the run above was not cancelled
}

}  // namespace
}  // namespace kk

namespace kk {
namespace {

// One worker per kind: a burst of previews never runs two at once, and of
// those still waiting only the newest runs; work waits its turn, in order.
TEST(Threads, OneWorkerPerKind) {
    QtTaskRunner tasks;
    std::atomic<int> inside{0}, most{0};
    std::vector<int> ran, finished;
    auto preview = [&] {
        const int now = ++inside;
        int seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        --inside;
    };
    for (int n = 0; n < 30; ++n)
        tasks.run(TaskKind::Preview, preview, [&, n] { ran.push_back(n); });
    for (int n = 0; n < 3; ++n)
        tasks.run(TaskKind::Work, [] {}, [&, n] { finished.push_back(n); });
    EXPECT_LE(tasks.runningCount(), 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ran.empty() && ran.back() == 29 && finished.size() == 3; }, 10000));
    EXPECT_EQ(ran, (std::vector<int>{0, 29}));
    EXPECT_EQ(finished, (std::vector<int>{0, 1, 2}));
    EXPECT_LE(most.load(), 2);  // one preview and one work at the most
}

// Quitting while a big clipboard load and a preview run: the window's own
// order (cancel, shut the runner down, then the model goes) leaves nothing
// touching the model afterwards (the sanitizer builds watch this).
TEST(Threads, QuitDuringALoad) {
    for (int round = 0; round < 3; ++round) {
        testing::FakeClipboard clipboard;
        clipboard.text = std::string(30u << 20, 'a');
        testing::MemoryFiles files;
        testing::ScriptedPrompt prompt;
        testing::FakeDesktop desktop;
        QtProcessRunner processes;
        QtTaskRunner tasks;
        auto state = std::make_unique<EditorState>(
            Services{clipboard, files, prompt, desktop, processes, tasks, DataFolder("/data"), ""});
        state->loadClipboard(nullptr);
        state->preview("s/(a|b)c+x$/y/", false, [](std::shared_ptr<const EditorState::Preview>) {});
        QTest::qWait(round * 5);
        state->cancel();
        state->cancelPreview();
        tasks.shutdown();
        state.reset();
        QTest::qWait(20);  // completions posted before the shutdown find no model
    }
}

}  // namespace
}  // namespace kk
