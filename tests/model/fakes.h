// Fake ports for model tests: clipboard, files in memory, scripted prompts,
// a desktop that records what it was asked to open.
#pragma once

#include "model/editor_state.h"
#include "platform/qt_process_runner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <deque>
#include <map>
#include <set>

namespace kk::testing {

class FakeClipboard final : public Clipboard {
public:
    std::string text;
    bool hasText = true;
    bool reachable = true;  // false: reads fail
    bool takesText = true;  // false: writes are refused
    int writes = 0;
    std::optional<std::string> primary;  // the PRIMARY selection, where the platform has one
    bool readingPrimary = false;
    std::optional<std::string> readText() override {
        if (!reachable) return std::nullopt;
        if (readingPrimary) return *primary;
        return hasText ? text : std::string();
    }
    bool readFrom(Source source) override {
        if (source == Source::Primary && !primary) return false;
        readingPrimary = source == Source::Primary;
        return true;
    }
    bool replaced = false;  // the platform put U+FFFD for bytes it could not read
    bool holdsText() override { return hasText; }
    bool textHadReplacements() override { return replaced; }
    bool writeText(const std::string& utf8) override {
        if (!takesText) return false;
        text = utf8;
        hasText = true;
        ++writes;
        return true;
    }
};

class MemoryFiles final : public FileStore {
public:
    std::map<std::string, std::string> files;
    std::set<std::string> readOnly, unreadable;
    std::map<std::string, std::int64_t> claimedSizes;  // sizes too big to hold in a test
    bool exists(const std::string& p) override { return files.count(p) > 0; }
    std::int64_t size(const std::string& p) override {
        if (const auto c = claimedSizes.find(p); c != claimedSizes.end()) return c->second;
        const auto it = files.find(p);
        return it == files.end() ? -1 : static_cast<std::int64_t>(it->second.size());
    }
    std::optional<std::string> readAll(const std::string& p) override {
        if (unreadable.count(p)) return std::nullopt;
        const auto it = files.find(p);
        if (it == files.end()) return std::nullopt;
        return it->second;
    }
    std::optional<char> lastByte(const std::string& p) override {
        const auto it = files.find(p);
        if (it == files.end() || it->second.empty()) return std::nullopt;
        return it->second.back();
    }
    bool append(const std::string& p, const std::string& bytes) override {
        if (readOnly.count(p)) return false;
        files[p] += bytes;
        return true;
    }
    bool replace(const std::string& p, const std::string& bytes) override {
        if (readOnly.count(p)) return false;
        files[p] = bytes;
        return true;
    }
    // There is no such folder on disk for a child process to work in, so a
    // filter runs in the test's own folder; nothing is made on the machine.
    bool makeFolder(const std::string&) override { return false; }
};

class ScriptedPrompt final : public Prompt {
public:
    struct Shown {
        std::string text;
        Icon icon;
        Buttons buttons;
    };
    std::vector<Shown> shown;
    std::deque<Answer> answers;  // given in order; Ok / No when empty
    Answer ask(const std::string& text, const std::string&, Icon icon, Buttons buttons) override {
        shown.push_back({text, icon, buttons});
        if (!answers.empty()) {
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    }
};

class FakeDesktop final : public Desktop {
public:
    std::vector<std::string> opened;
    bool succeed = true;
    bool openPath(const std::string& p) override {
        opened.push_back(p);
        return succeed;
    }
    bool openUrl(const std::string& u) override {
        opened.push_back(u);
        return succeed;
    }
    bool startProgram(const std::string& p, const std::vector<std::string>& args) override {
        opened.push_back(args.empty() ? p : p + " " + args.front());
        return succeed;
    }
};

// Background work held until the test lets it go, so a cancel or a newer
// request can come in between.
class HeldTasks final : public TaskRunner {
public:
    using TaskRunner::run;
    void run(TaskKind, std::function<void()> work, std::function<void()> done) override {
        held.push_back({work, done});
    }
    void release() {
        auto all = std::move(held);
        for (auto& [work, done] : all) work(), done();
    }
    std::vector<std::pair<std::function<void()>, std::function<void()>>> held;
};

// A model whose background work waits for release().
struct HeldRig {
    FakeClipboard clipboard;
    MemoryFiles files;
    ScriptedPrompt prompt;
    FakeDesktop desktop;
    QtProcessRunner processes;
    HeldTasks tasks;
    EditorState state{Services{clipboard, files, prompt, desktop, processes, tasks, DataFolder("/data"), ""}};
};

// Waits for an operation that ends through its handler, at once or later
// (at most 20 s); nothing when it never ended.
inline std::optional<Outcome> awaitOutcome(const std::function<void(OutcomeHandler)>& start) {
    std::optional<Outcome> got;
    QEventLoop loop;
    start([&](const Outcome& o) {
        got = o;
        loop.quit();
    });
    if (!got) {
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return got;
}

// Everything an EditorState needs, with the real process layer.
struct Rig {
    FakeClipboard clipboard;
    MemoryFiles files;
    ScriptedPrompt prompt;
    FakeDesktop desktop;
    QtProcessRunner processes;
    InlineTaskRunner tasks;
    EditorState state;
    // `helpers`: the folder put on a filter's PATH (our sortf lives in the build's bin).
    explicit Rig(std::string helpers = "")
        : state(
              Services{clipboard, files, prompt, desktop, processes, tasks, DataFolder("/data"), std::move(helpers)}) {}

    std::string history() { return files.files["/data/kakikae1.ini"]; }
    // Runs the command line and waits for the run to end (a filter ends later).
    void runAndWait(int timeoutMs = 20000) {
        bool done = false;
        QEventLoop loop;
        state.run([&](const Outcome&) {
            done = true;
            loop.quit();
        });
        if (!done) {
            QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
            loop.exec();
        }
    }
    void run(const std::string& command) {
        state.setCommandLineFromView(command);
        runAndWait();
    }
};

}  // namespace kk::testing
