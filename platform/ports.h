// The model's windows onto the world: clipboard, files of the data folder,
// message boxes, desktop (open a file or address), child processes and
// background work. Real implementations live beside this file; tests use fakes.
#pragma once

#include "core/work.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kk {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Plain text in UTF-8 with the platform's line ends; empty when the
    // clipboard holds no text, nullopt when it cannot be reached at all.
    virtual std::optional<std::string> readText() = 0;
    // After the last text was made: whether it holds U+FFFD, which is where a
    // platform that decodes the clipboard for us put bytes it could not read.
    virtual bool textHadReplacements() { return false; }
    // False when the clipboard holds something that is no text (an image) or
    // nothing at all: a text read then is empty, and must not be copied over it.
    virtual bool holdsText() { return true; }
    // Why the last read failed, in the user's words; empty when there is
    // nothing better to say than that it could not be read.
    virtual std::string failureReason() const { return {}; }
    // Where reads come from: the clipboard, or the PRIMARY selection (the
    // text last selected, pasted with the middle button). Writes always go
    // to the clipboard, so select, a key, then Ctrl+V works. False when this
    // platform cannot read that one (reads stay where they were).
    enum class Source { Clipboard, Primary };
    virtual bool readFrom(Source source) { return source == Source::Clipboard; }
    // Replaces every format on the clipboard with this plain text; false
    // when the clipboard did not take it.
    virtual bool writeText(const std::string& utf8) = 0;

    // The same in two halves, so a big text's conversions stay off the UI
    // thread: the first half runs on the UI thread and is cheap, the
    // returned function may run on any thread.
    using TextMaker = std::function<std::string()>;
    virtual std::optional<TextMaker> snapshotText() {
        auto text = readText();
        if (!text) return std::nullopt;
        return [t = std::make_shared<std::string>(std::move(*text))] { return std::move(*t); };
    }
    // Runs on any thread; the returned function puts the text on the
    // clipboard, on the UI thread.
    using TextWriter = std::function<bool()>;
    virtual TextWriter prepareText(std::string utf8) {
        return [this, t = std::make_shared<std::string>(std::move(utf8))] { return writeText(*t); };
    }
};

class FileStore {
public:
    virtual ~FileStore() = default;
    virtual bool exists(const std::string& path) = 0;
    // Size in bytes, or -1 when there is no such regular file.
    virtual std::int64_t size(const std::string& path) = 0;
    // The whole file, or nullopt when it cannot be read (missing, a folder, an I/O error).
    virtual std::optional<std::string> readAll(const std::string& path) = 0;
    // Appends bytes to a regular file (creating it); false when it could not
    // be written or is something else (a folder, a FIFO, a device).
    virtual bool append(const std::string& path, const std::string& bytes) = 0;
    // Writes a whole file anew, all or nothing (the old one stays when the
    // write fails).
    virtual bool replace(const std::string& path, const std::string& bytes) = 0;
    // The file's last byte; nullopt when it is empty or no regular file.
    virtual std::optional<char> lastByte(const std::string& path) = 0;
    // Makes the folder and its parents; true when it is there afterwards.
    virtual bool makeFolder(const std::string& path) = 0;
};

class Prompt {
public:
    enum class Icon { None, Error, Exclamation, Information };
    enum class Buttons { Ok, YesNo, YesNoCancel };
    enum class Answer { Ok, Yes, No, Cancel };
    virtual ~Prompt() = default;
    // A modal message box; an empty title means the program's title.
    virtual Answer ask(const std::string& text, const std::string& title, Icon icon, Buttons buttons) = 0;
};

class Desktop {
public:
    virtual ~Desktop() = default;
    // Opens a file or folder with its associated application.
    virtual bool openPath(const std::string& path) = 0;
    virtual bool openUrl(const std::string& url) = 0;
    // Starts a program from a command line (split on blanks), not waiting for it.
    virtual bool startProgram(const std::string& program, const std::vector<std::string>& args) = 0;
};

struct ProcessRequest {
    std::string program;
    std::vector<std::string> arguments;
    // The name the program is told it has (its argv[0]), when not `program`;
    // and whether it is told its folder in PWD, as a shell would tell it.
    std::string argv0;
    bool setsPwd = false;
    std::string workingDirectory;
    std::string stdinFile;                 // read as standard input
    std::string stdoutFile;                // standard output is written here (truncated first)
    std::vector<std::string> pathPrepend;  // folders put in front of PATH
    // The child is stopped once this file (its output) grows past capBytes:
    // a runaway like `yes` would otherwise fill the disk and then our memory.
    std::string capFile;
    std::int64_t capBytes = 0;  // 0: no cap
    // Told how much the child has written so far, for progress.
    WorkLink work = nullptr;
    // Standard input from a text instead of a file: written by a worker
    // through a pipe (a child that reads slowly or not at all never blocks
    // the caller), followed by `stdinTail`. The text must live until the
    // outcome is delivered.
    std::optional<std::string_view> stdinText;
    std::string stdinTail;
    // Or an open regular file, read from its start.
    int stdinFd = -1;
    // Standard output read as it comes into the outcome's `output`; the child
    // is stopped once it passes capBytes.
    bool captureOutput = false;
    // Or an open regular file the child writes into itself, from its end;
    // capBytes bounds its growth (polled).
    int stdoutFd = -1;
    std::size_t outputSizeHint = 0;  // room reserved for it at once (a sort gives back as much as it took)
};

struct ProcessOutcome {
    bool started = false;
    bool crashed = false;  // killed by a signal
    bool cancelled = false;
    bool outputTooBig = false;  // stopped because capFile grew past capBytes
    int exitCode = 0;
    std::string errorOutput;  // the first part of what the child wrote to its error output
    std::string startError;   // why it did not start
    std::string output;       // standard output, when captured
};

class ProcessRunner {
public:
    virtual ~ProcessRunner() = default;
    // Starts the child; `done` is called once, later, on the caller's thread.
    virtual void start(const ProcessRequest& request, std::function<void(ProcessOutcome)> done) = 0;
    // Ends a running child: terminate, then kill after a short grace.
    virtual void cancel() = 0;
};

// What a task is for. Each kind has at most one worker at a time, so a
// session's threads stay bounded however fast the user types.
enum class TaskKind {
    Work,     // a run, a load, a copy-back: queued, each runs in turn
    Preview,  // only the newest waiting preview runs; older waiting ones are dropped
};

// Runs work off the caller's thread and delivers the result back on it.
class TaskRunner {
public:
    virtual ~TaskRunner() = default;
    virtual void run(TaskKind kind, std::function<void()> work, std::function<void()> done) = 0;
    void run(std::function<void()> work, std::function<void()> done) {
        run(TaskKind::Work, std::move(work), std::move(done));
    }
};

// Runs work at once, on the caller's thread (tests, the command line).
class InlineTaskRunner final : public TaskRunner {
public:
    using TaskRunner::run;
    void run(TaskKind, std::function<void()> work, std::function<void()> done) override {
        work();
        done();
    }
};

}  // namespace kk
