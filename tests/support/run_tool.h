// Runs a reference program (perl, nkf) over an input for the differential
// tests: stdin from a file, stdout into one, no shell in between.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace kk::testing {

inline std::string toolTempPath(const std::string& program, const char* tag) {
    return std::string(::testing::TempDir()) + "kk-" + program + "-" + std::to_string(::getpid()) + "-" + tag;
}

// Whether a reference program answers. A differential test without its
// reference checks nothing: in CI (CI set) that fails the test; on a
// developer's machine it is skipped, loudly.
#define KK_REQUIRE_TOOL(available, name)                                                                 \
    do {                                                                                                 \
        if (!(available)) {                                                                              \
            if (std::getenv("CI")) FAIL() << name << " is missing: scripts/bootstrap installs it";       \
            GTEST_SKIP() << "*** " << name << " is missing: this differential test checked nothing ***"; \
        }                                                                                                \
    } while (0)

// A file holding a text for as long as the object lives.
class TempFile {
public:
    explicit TempFile(const std::string& text) : path_(toolTempPath("file", std::to_string(++counter()).c_str())) {
        if (FILE* f = std::fopen(path_.c_str(), "wb")) {
            std::fwrite(text.data(), 1, text.size(), f);
            std::fclose(f);
        }
    }
    ~TempFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    static int& counter() {
        static int n = 0;
        return n;
    }
    std::string path_;
};

// The program's standard output, or nullopt when it could not run or failed
// (an exit status above `okExit`).
inline std::optional<std::string> runTool(const std::string& program, const std::vector<std::string>& args,
                                          const std::string& input, int okExit = 0) {
    const std::string in = toolTempPath(program, "in"), out = toolTempPath(program, "out");
    if (FILE* f = std::fopen(in.c_str(), "wb")) {
        std::fwrite(input.data(), 1, input.size(), f);
        if (std::fclose(f) != 0) return std::nullopt;
    } else {
        return std::nullopt;
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    const int rc = posix_spawnp(&pid, program.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) return std::nullopt;
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) > okExit) return std::nullopt;
    std::string result;
    FILE* f = std::fopen(out.c_str(), "rb");
    if (!f) return std::nullopt;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) result.append(buf, n);
    std::fclose(f);
    std::remove(in.c_str());
    std::remove(out.c_str());
    return result;
}

}  // namespace kk::testing
