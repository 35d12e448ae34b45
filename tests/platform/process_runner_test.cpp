// The toolkit-free runner as the command line drives it: outcomes posted
// back and run on the waiting thread.
#include "platform/process_runner.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <optional>
#include <string>

namespace kk {
namespace {

ProcessOutcome runAndWait(PosixProcessRunner& runner, PostedCalls& posted, const ProcessRequest& request,
                          bool cancel = false) {
    std::optional<ProcessOutcome> outcome;
    runner.start(request, [&](ProcessOutcome o) { outcome = std::move(o); });
    if (cancel) runner.cancel();
    posted.runUntil([&] { return outcome.has_value(); });
    return *outcome;
}

ProcessRequest shell(const std::string& script) {
    ProcessRequest r;
    r.program = "/bin/sh";
    r.arguments = {"-c", script};
    r.captureOutput = true;
    return r;
}

TEST(ProcessRunner, OutcomesOfAChild) {
    const std::string big(std::size_t{3} << 20, 'x');
    const struct {
        const char* what;
        ProcessRequest request;
        bool started, crashed;
        int exitCode;
        std::string output, errors;
    } cases[] = {
        {"fails and says why", shell("echo out; echo why >&2; exit 3"), true, false, 3, "out\n", "why\n"},
        {"killed by a signal", shell("kill -9 $$"), true, true, SIGKILL, "", ""},
        {"no such program", [] { ProcessRequest r; r.program = "/nonexistent/kk-program"; return r; }(), false,
         false, 0, "", ""},
        // Standard input it never reads, and a job it leaves behind: neither holds the outcome up.
        {"reads nothing", [&] { auto r = shell("echo ok"); r.stdinText = big; return r; }(), true, false, 0, "ok\n",
         ""},
        {"leaves a job behind", shell("sleep 30 & echo left"), true, false, 0, "left\n", ""},
        {"reads it all", [&] { auto r = shell("wc -c"); r.stdinText = big; r.stdinTail = "\n"; return r; }(), true,
         false, 0, std::to_string(big.size() + 1) + "\n", ""},
    };
    PostedCalls posted;
    PosixProcessRunner runner(posted.poster());
    for (const auto& c : cases) {
        const auto begun = std::chrono::steady_clock::now();
        const ProcessOutcome o = runAndWait(runner, posted, c.request);
        EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(10)) << c.what;
        EXPECT_EQ(o.started, c.started) << c.what;
        EXPECT_EQ(o.started, o.startError.empty()) << c.what;
        if (!o.started) continue;
        EXPECT_EQ(o.crashed, c.crashed) << c.what;
        EXPECT_EQ(o.exitCode, c.exitCode) << c.what;
        EXPECT_EQ(o.output, c.output) << c.what;
        EXPECT_EQ(o.errorOutput, c.errors) << c.what;
    }
}

TEST(ProcessRunner, CancelAndRunaway) {
    PostedCalls posted;
    PosixProcessRunner runner(posted.poster());
    // A child that ignores the request to end is killed after the grace.
    const ProcessOutcome stopped = runAndWait(runner, posted, shell("trap '' TERM; sleep 30"), true);
    EXPECT_TRUE(stopped.cancelled);
    ProcessRequest runaway = shell("yes");
    runaway.capBytes = 1 << 20;
    const ProcessOutcome bounded = runAndWait(runner, posted, runaway);
    EXPECT_TRUE(bounded.outputTooBig);
    EXPECT_TRUE(bounded.output.empty());
}

}  // namespace
}  // namespace kk
