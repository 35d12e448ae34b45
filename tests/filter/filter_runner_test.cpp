#include "filter/filter_runner.h"

#include "platform/file_store.h"
#include "platform/qt_process_runner.h"

#include <gtest/gtest.h>

#include <QEventLoop>

#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace kk::filter {
namespace {

TEST(FilterFiles, SaveAndRead) {
    PrivateDir dir;
    const std::string f = dir.file("x.tmp");
    EXPECT_EQ(SaveTmpData(f, "a\nb"), 0);
    EXPECT_EQ(readWholeFile(f).value(), "a\nb\n");  // plus one line end
    EXPECT_EQ(getTextFile(f), "a\nb\n");
    EXPECT_EQ(getTextFile(dir.file("missing")), "");
    EXPECT_EQ(getTextFile(""), "");
    EXPECT_EQ(SaveTmpData("", "ignored"), -1);
    EXPECT_EQ(SaveTmpData("/dev/full", "x"), -1);  // a write that fails says so
}

TEST(FilterFiles, SortTranslation) {
    EXPECT_EQ(translateSortCommand("sort"), "sort");
    EXPECT_EQ(translateSortCommand("sort /r"), "sort -r");
    EXPECT_EQ(translateSortCommand("sort /r /O out"), "sort -r -o out");
}

TEST(FilterRun, EachRunHasItsOwnFolderRemovedAfterwards) {
    std::string first;
    {
        auto a = prepareFilter(FilterForm::Sort, "sort", "x", {});
        auto b = prepareFilter(FilterForm::Sort, "sort", "y", {});
        ASSERT_TRUE(a && b);
        EXPECT_NE(a.value().outputPath, b.value().outputPath);
        first = a.value().dir->path();
        EXPECT_TRUE(std::filesystem::exists(first));
    }
    EXPECT_FALSE(std::filesystem::exists(first));
}

TEST(FilterRun, SortFormWritesTheOutputFile) {
    for (const auto& [command, expected] :
         std::vector<std::pair<std::string, std::string>>{{"sort", "a\nb\n"}, {"sort /r", "b\na\n"}}) {
        auto job = prepareFilter(FilterForm::Sort, command, "b\na\n", {});
        ASSERT_TRUE(job);
        const ProcessOutcome o = runProcessAndWait(job.value().request);
        auto r = collectFilterResult(job.value(), o);
        ASSERT_TRUE(r) << r.error().message;
        EXPECT_EQ(r.value(), expected) << command;
    }
    // A sort that writes nothing never returns an earlier run's output.
    auto job = prepareFilter(FilterForm::Sort, "no-such-sort-kk", "x", {});
    const ProcessOutcome o = runProcessAndWait(job.value().request);
    EXPECT_FALSE(collectFilterResult(job.value(), o));
}

TEST(FilterRun, WorkingDirectoryAndPath) {
    PrivateDir data, helpers;
    writeWholeFile(helpers.file("kk-helper"), "#!/bin/sh\necho helper-ran\n");
    std::filesystem::permissions(helpers.file("kk-helper"), std::filesystem::perms::owner_all);
    auto job = prepareFilter(FilterForm::General, "pwd; kk-helper", "", {data.path(), helpers.path()});
    ASSERT_TRUE(job);
    auto r = collectFilterResult(job.value(), runProcessAndWait(job.value().request));
    ASSERT_TRUE(r) << r.error().message;
    EXPECT_EQ(r.value(), data.path() + "\nhelper-ran\n");
}

// A program and its plain words starts without the shell, under the name
// it was called by and told its folder as the shell would tell it; anything
// the shell reads (operators, quotes, its own commands, assignments, a
// script without #!, a name nowhere on PATH) still goes through it.
TEST(FilterRun, PlainCommandsRunWithoutTheShell) {
    PrivateDir data, helpers;
    writeWholeFile(helpers.file("kk-script"), "echo from-script\n");  // no #!: a script for the shell
    std::filesystem::permissions(helpers.file("kk-script"), std::filesystem::perms::owner_all);
    const struct {
        const char* command;
        bool direct;
        std::string output;
    } cases[] = {
        {"sort -r", true, "b\na\n"},
        {"  tr  a-z  A-Z ", true, "B\nA\n"},
        {"printenv PWD", true, data.path() + "\n"},
        {"sort | sort -r", false, "b\na\n"},
        {"echo 'b a'", false, "b a\n"},
        {"LC_ALL=C sort", false, "a\nb\n"},
        {"kk-script", false, "from-script\n"},
        {"pwd", false, data.path() + "\n"},
        {"sort $HOME/none", false, ""},
        {"no-such-program-kk", false, ""},
    };
    for (const auto& c : cases) {
        auto job = prepareFilter(FilterForm::General, c.command, "b\na\n", {data.path(), helpers.path()});
        ASSERT_TRUE(job);
        EXPECT_EQ(job.value().request.program != commandInterpreter(), c.direct) << c.command;
        auto r = collectFilterResult(job.value(), runProcessAndWait(job.value().request));
        if (c.output.empty()) {
            EXPECT_FALSE(r) << c.command;
        } else {
            ASSERT_TRUE(r) << c.command << ": " << r.error().message;
            EXPECT_EQ(r.value(), c.output) << c.command;
        }
    }
}

TEST(FilterRun, Outcomes) {
    FilterJob job;
    job.outputPath = "/nonexistent/out";
    ProcessOutcome notStarted;
    notStarted.startError = "no such program";
    EXPECT_FALSE(collectFilterResult(job, notStarted));
    ProcessOutcome silentFailure;
    silentFailure.started = true;
    silentFailure.exitCode = 1;
    // A failure that printed nothing gives no text to take (`false`, a grep
    // finding nothing): the caller keeps its text.
    auto silent = collectFilterResult(job, silentFailure);
    ASSERT_FALSE(silent);
    EXPECT_NE(silent.error().message.find("終了コード 1"), std::string::npos);
    // With output and a silent error output, the output stands (`grep -c` printing 0).
    PrivateDir dir;
    FilterJob counted;
    counted.outputPath = dir.file("out");
    writeWholeFile(counted.outputPath, "0\n");
    auto zero = collectFilterResult(counted, silentFailure);
    ASSERT_TRUE(zero);
    EXPECT_EQ(zero.value(), "0\n");
    ProcessOutcome loud = silentFailure;
    loud.errorOutput = "\nbad thing\nmore";
    auto r = collectFilterResult(job, loud);
    ASSERT_FALSE(r);
    EXPECT_NE(r.error().message.find("bad thing"), std::string::npos);
    EXPECT_EQ(r.error().message.find("more"), std::string::npos);
}

// The result's own file: taken only when it is a regular file written at
// its end that we can read back; a runaway writing there is stopped at the
// bound and what it wrote is cut off again.
TEST(FilterRun, OutputIntoItsOwnFile) {
    PrivateDir dir;
    const std::string path = dir.file("out");
    writeWholeFile(path, "before\n");
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const struct {
        const char* what;
        int fd;
        bool taken;
    } cases[] = {
        {"appending", ::open(path.c_str(), O_WRONLY | O_APPEND), true},
        {"at its end", [&] { const int fd = ::open(path.c_str(), O_WRONLY); ::lseek(fd, 0, SEEK_END); return fd; }(), true},
        {"amid its bytes", ::open(path.c_str(), O_WRONLY), false},
        {"read-only", ::open(path.c_str(), O_RDONLY), false},
        {"a pipe", pipeEnds[1], false},
        {"none", -1, false},
    };
    for (const auto& c : cases) {
        FilterSetup setup;
        setup.outputFile = c.fd;
        auto job = prepareFilter(FilterForm::General, "cat", "x\n", setup);
        ASSERT_TRUE(job);
        EXPECT_EQ(job.value().outputFile.has_value(), c.taken) << c.what;
        EXPECT_EQ(job.value().request.captureOutput, !c.taken) << c.what;
    }

    FilterSetup setup;
    setup.outputFile = cases[0].fd;
    setup.maxOutputBytes = 1 << 20;
    auto runaway = prepareFilter(FilterForm::General, "yes", "", setup);
    ASSERT_TRUE(runaway && runaway.value().outputFile);
    auto r = collectFilterResult(runaway.value(), runProcessAndWait(runaway.value().request));
    ASSERT_FALSE(r);
    EXPECT_NE(r.error().message.find("1 MB"), std::string::npos) << r.error().message;
    EXPECT_EQ(readWholeFile(path).value(), "before\n");

    auto done = prepareFilter(FilterForm::General, "cat", "a\nb", setup);
    ASSERT_TRUE(done);
    QtProcessRunner runner;
    QEventLoop loop;
    ProcessOutcome outcome;
    runner.start(done.value().request, [&](ProcessOutcome o) {
        outcome = std::move(o);
        loop.quit();
    });
    followOutput(done.value());
    loop.exec();
    auto ok = collectFilterResult(done.value(), std::move(outcome));
    ASSERT_TRUE(ok) << ok.error().message;
    EXPECT_TRUE(done.value().written);
    EXPECT_EQ(readWholeFile(path).value(), "before\na\nb\n");
    for (const auto& c : cases)
        if (c.fd >= 0) ::close(c.fd);
    ::close(pipeEnds[0]);
}

}  // namespace
}  // namespace kk::filter
