// The model under failing surroundings: a clipboard that is unreachable or
// huge, a data folder that is read-only, full, missing or cannot be made,
// list files that are no list, filters that run away, hang or write bytes
// that are no text. Whatever happens the model keeps going, keeps the
// working text and says what went wrong.
#include "platform/file_store.h"
#include "platform/private_dir.h"
#include "core/text_codec.h"
#include "tests/model/fakes.h"
#include "texts/texts.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace kk::testing {
namespace {

using V = std::vector<std::string>;
namespace fs = std::filesystem;

bool contains(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

// True once no process runs this command line (waits up to 3 s for the kill).
bool noProcessLike(const std::string& commandLine) {
    for (int i = 0; i < 60; ++i) {
        const int status = std::system(("pgrep -f '^" + commandLine + "' >/dev/null").c_str());
        if (WIFEXITED(status) && WEXITSTATUS(status) == 1) return true;
        QEventLoop wait;
        QTimer::singleShot(50, &wait, &QEventLoop::quit);
        wait.exec();
    }
    return false;
}

// Like Rig, over real files in `folder`.
struct DiskRig {
    FakeClipboard clipboard;
    LocalFileStore files;
    ScriptedPrompt prompt;
    FakeDesktop desktop;
    QtProcessRunner processes;
    InlineTaskRunner tasks;
    EditorState state;
    explicit DiskRig(const std::string& folder, std::int64_t maxFilterOutput = filter::kMaxFilterOutputBytes)
        : state(
              Services{clipboard, files, prompt, desktop, processes, tasks, DataFolder(folder), "", maxFilterOutput}) {}
    void run(const std::string& command) {
        state.setCommandLineFromView(command);
        bool done = false;
        QEventLoop loop;
        state.run([&](const Outcome&) {
            done = true;
            loop.quit();
        });
        if (!done) {
            QTimer::singleShot(60000, &loop, &QEventLoop::quit);
            loop.exec();
        }
    }
};

TEST(Faults, UnreachableClipboardKeepsTheText) {
    Rig r;
    r.clipboard.reachable = false;
    r.clipboard.takesText = false;
    r.state.formLoad();  // start-up goes on: lists and the initial command
    EXPECT_EQ(r.state.commandLine(), names::kInitialCommand);
    r.state.setWorkingTextFromView("mine");
    r.state.markChanged();

    bool ok = true;
    r.state.loadClipboard([&](const Outcome& o) { ok = o.ok(); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(r.state.workingText(), "mine");
    EXPECT_EQ(r.state.status(), texts::text(texts::Msg::ClipboardUnreadable));

    ok = true;
    r.state.copyBack([&](const Outcome& o) { ok = o.ok(); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(r.state.status(), texts::text(texts::Msg::ClipboardUnwritable));
    EXPECT_TRUE(r.state.changedMark());  // not sent anywhere, so still unsaved

    r.state.setCommandLineFromView("s/m/M/");
    r.state.oneShot();  // nothing to run over: no run, no history
    EXPECT_EQ(r.state.workingText(), "mine");
    EXPECT_TRUE(r.state.history().empty());

    // Reachable but refusing the result: the run's result stays in the box.
    r.clipboard.reachable = true;
    r.clipboard.text = "from clip";
    r.state.oneShot();
    EXPECT_EQ(r.state.workingText(), "froM clip");
    EXPECT_EQ(r.state.status(), texts::text(texts::Msg::ClipboardUnwritable));
}

TEST(Faults, OneShotKeepsAFailureOnTheStatusLine) {
    Rig r;
    r.clipboard.text = "data";
    r.state.setCommandLineFromView("echo broken >&2; exit 4");
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!r.state.busy()) loop.quit();
    });
    r.state.oneShot();
    poll.start(20);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(r.clipboard.text, "data");  // copied back unchanged
    EXPECT_TRUE(contains(r.state.status(), "broken")) << r.state.status();
}

TEST(Faults, ClipboardOfTwoHundredMegabytes) {
    std::string big;
    big.reserve(200u << 20);
    while (big.size() < (200u << 20)) big += "かな漢字 and ASCII text, one line of a big clipboard\n";
    Rig r;
    r.clipboard.text = big;
    r.state.formLoad();
    EXPECT_EQ(r.state.startClip().size(), big.size());
    r.run("s/ASCII/ascii/g");
    ASSERT_EQ(r.state.status(), texts::text(texts::Msg::StatusDone));
    EXPECT_EQ(r.state.beforeText().size(), r.state.startClip().size());
    r.state.copyBack();
    EXPECT_EQ(r.clipboard.text.size(), big.size());
    EXPECT_TRUE(r.clipboard.text.starts_with("かな漢字 and ascii text"));
    EXPECT_TRUE(r.clipboard.text.ends_with("clipboard\n"));
}

TEST(Faults, DataFolderReadOnlyFullMissingOrImpossible) {
    PrivateDir dir;
    ASSERT_TRUE(dir.ok());
    const std::string full = dir.file("full");
    fs::create_directory(full);
    for (const char* name : {"kakikae1.ini", "kakikae0.ini"})
        fs::create_symlink("/dev/full", full + "/" + name);  // every write fails: no space left
    const struct {
        const char* what;
        std::string folder;
        bool writes;
    } cases[] = {
        {"full", full, false},
        {"missing, made on the first write", dir.file("missing/deeper"), true},
        {"cannot be made", "/proc/kakikae-cannot-exist", false},
    };
    for (const auto& c : cases) {
        DiskRig r(c.folder);
        r.state.formLoad();                      // a list that cannot be read is said, not fatal
        r.state.setWorkingTextFromView("b\na");  // the filter input gains a line end
        r.run("sort");  // the child still runs (in our folder when the data folder is not there)
        EXPECT_EQ(r.state.workingText(), "a\nb\n") << c.what;
        r.run("s/a/A/");
        r.run("s/b/B/");
        EXPECT_EQ(r.state.workingText(), "A\nB\n") << c.what;
        EXPECT_EQ(r.state.history(), (V{"s/b/B/", "s/a/A/", "sort"})) << c.what;  // kept in memory
        r.state.addFavourite();
        EXPECT_EQ(r.state.favourites(), V{"s/b/B/"}) << c.what;
        if (c.writes) {
            EXPECT_TRUE(r.prompt.shown.empty()) << c.what;
            EXPECT_EQ(readWholeFile(c.folder + "/kakikae1.ini").value(), "sort\r\ns/a/A/\r\ns/b/B/\r\n");
        } else {
            // Said once for the history, once for the favourite, naming the files.
            ASSERT_EQ(r.prompt.shown.size(), 2u) << c.what;
            EXPECT_TRUE(contains(r.prompt.shown[0].text, r.state.historyPath())) << c.what;
            EXPECT_TRUE(contains(r.prompt.shown[1].text, r.state.favouritesPath())) << c.what;
        }
    }
    // Read-only: the files are there but refuse writes.
    Rig r;
    r.files.files["/data/kakikae1.ini"] = "old\r\n";
    r.files.readOnly = {"/data/kakikae1.ini", "/data/kakikae0.ini"};
    r.state.formLoad();
    r.state.setWorkingTextFromView("x");
    r.run("s/x/y/");
    r.run("s/y/z/");
    EXPECT_EQ(r.state.workingText(), "z");
    EXPECT_EQ(r.state.history(), (V{"s/y/z/", "s/x/y/", "old"}));
    EXPECT_EQ(r.prompt.shown.size(), 1u);
}

TEST(Faults, ListFilesThatAreNoLists) {
    PrivateDir dir;
    fs::create_directory(dir.file("kakikae1.ini"));  // a folder
    ASSERT_TRUE(writeWholeFile(dir.file("kakikae0.ini"), std::string("s/a/\0b/\r\n\0\0\r\nm/x/\r\n", 19)));
    DiskRig r(dir.path());
    r.state.formLoad();
    EXPECT_TRUE(r.state.history().empty());
    EXPECT_EQ(r.state.favourites(), (V{"m/x/", "", "s/a/b/"}));  // NUL bytes dropped
    EXPECT_EQ(r.state.commandLine(), names::kInitialCommand);

    // A device under the list's name is not read (it would never end).
    PrivateDir dev;
    fs::create_symlink("/dev/zero", dev.file("kakikae1.ini"));
    DiskRig z(dev.path());
    z.state.formLoad();
    EXPECT_TRUE(z.state.history().empty());
    EXPECT_TRUE(contains(z.state.status(), "kakikae1.ini")) << z.state.status();
}

TEST(Faults, RunawayFiltersAreStopped) {
    PrivateDir dir;
    DiskRig r(dir.path(), 8 << 20);
    r.state.setWorkingTextFromView("keep");
    r.run("yes kk-runaway-marker | cat");  // would never end and fill the disk
    EXPECT_EQ(r.state.workingText(), "keep");
    EXPECT_TRUE(contains(r.state.status(), "大きすぎる")) << r.state.status();
    EXPECT_FALSE(r.state.busy());
    EXPECT_TRUE(noProcessLike("yes kk-runaway-marker"));  // the shell's children went with it

    // A child that ignores the polite signal is killed after the grace.
    r.state.setCommandLineFromView("trap '' TERM; sleep 31.25 | cat");
    bool done = false;
    QEventLoop loop;
    r.state.run([&](const Outcome&) {
        done = true;
        loop.quit();
    });
    QTimer::singleShot(200, [&] { r.state.cancel(); });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(done);
    EXPECT_EQ(r.state.workingText(), "keep");
    EXPECT_EQ(r.state.status(), filter::kFilterCancelled);
    EXPECT_TRUE(noProcessLike("sleep 31.25"));
}

TEST(Faults, FilterWritingFiveHundredMegabytes) {
    Rig r;
    r.state.setWorkingTextFromView("x");
    // 50 bytes a line; a sanitizer build takes its time over 500 MB.
    r.state.setCommandLineFromView("yes 'テキストの行 and forty-nine bytes, all told' | head -c 500000000");
    r.runAndWait(90000);
    ASSERT_EQ(r.state.status(), texts::text(texts::Msg::StatusDone));
    EXPECT_EQ(r.state.workingText().size(), 500'000'000u);
    EXPECT_EQ(r.state.beforeText(), "x");
}

// The text goes to a filter through a pipe, fed by a worker: a filter that
// never reads it, one that reads part and leaves, and one that writes 2 GB
// each end with their own outcome, no hang and no process left behind.
TEST(Faults, FiltersThatReadLittleOrWriteTooMuch) {
    std::string text;
    while (text.size() < (std::size_t{16} << 20)) text += "一行の文字 and some bytes\n";
    const struct {
        const char* command;
        const char* marker;  // a process that must be gone after
        std::size_t size;    // of the result; 0: refused as too big
    } cases[] = {
        {"sleep 0.1; echo 33.5-never-read", "33.5-never-read", 16},
        {"head -c 1000000; echo 33.6-half", "33.6-half", 1000010},
        {"head -c 2000000000 /dev/zero # 33.7-two-gigabytes", "33.7-two-gigabytes", 0},
        {"yes 33.8-yes-forever", "33.8-yes-forever", 0},
    };
    for (const auto& c : cases) {
        // A smaller bound than the program's 1 GiB: the same stop, sooner.
        PrivateDir dir;
        DiskRig r(dir.path(), 64 << 20);
        r.state.setWorkingTextFromView(text);
        r.run(c.command);
        EXPECT_FALSE(r.state.busy()) << c.command;
        if (c.size) {
            EXPECT_EQ(r.state.status(), texts::text(texts::Msg::StatusDone)) << c.command;
            EXPECT_EQ(r.state.workingText().size(), c.size) << c.command;
        } else {
            EXPECT_TRUE(contains(r.state.status(), "大きすぎる")) << c.command << ": " << r.state.status();
            EXPECT_EQ(r.state.workingText(), text) << c.command;
        }
        EXPECT_TRUE(noProcessLike(c.marker)) << c.command;
    }
}

// Output that is neither UTF-8 nor CP932 is kept byte for byte: nothing
// replaced, nothing invented, and a command that matches nothing gives it
// back unchanged.
TEST(Faults, BytesThatAreNoTextFromAFilter) {
    Rig r;
    r.state.setWorkingTextFromView("keep");
    r.run("printf 'ok\\n\\377\\376\\200bad\\n\\343\\201\\n'");
    ASSERT_EQ(r.state.status(), texts::text(texts::Msg::StatusDone));
    const std::string bytes =
        "ok\n\xff\xfe\x80"
        "bad\n\xe3\x81\n";
    EXPECT_EQ(r.state.workingText(), bytes);
    r.run("s/zzz/y/g");
    EXPECT_EQ(r.state.workingText(), bytes);
    r.run("s/bad/good/g");  // what is text still matches
    EXPECT_EQ(r.state.workingText(),
              "ok\n\xff\xfe\x80"
              "good\n\xe3\x81\n");
}

}  // namespace
}  // namespace kk::testing
