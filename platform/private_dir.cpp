// mkdtemp under $XDG_RUNTIME_DIR or $TMPDIR (or /tmp), named after our
// process so that a later run can tell a folder whose owner is gone.
#include "platform/private_dir.h"

#include "platform/exit_cleanup.h"
#include "platform/user_paths.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <vector>

namespace kk {

namespace {

// The user's runtime folder; where there is none of our own, a 0700 folder
// made by mkdtemp in the temporary folder is still ours alone.
std::string baseFolder() {
    if (const auto r = runtimeFolder()) return *r;
    if (const char* t = std::getenv("TMPDIR"); t && t[0] == '/') return t;
    return "/tmp";
}

}  // namespace

void sweepAbandonedFolders(const std::string& base) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(base, ec)) {
        const std::string name = entry.path().filename().string();
        // kakikae-<pid>-XXXXXX
        if (!name.starts_with("kakikae-")) continue;
        const std::size_t dash = name.find('-', 8);
        if (dash == std::string::npos || dash == 8) continue;
        const std::string digits = name.substr(8, dash - 8);
        if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9) continue;
        const auto pid = static_cast<pid_t>(std::stol(digits));
        struct stat st {};
        if (::lstat(entry.path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) continue;
        if (pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;  // its owner still runs
        fs::remove_all(entry.path(), ec);
    }
}

PrivateDir::PrivateDir() {
    const std::string base = baseFolder();
    // Folders left by a run that was killed outright (its owner gone) go at
    // the first run after it.
    static std::once_flag swept;
    std::call_once(swept, [&] { sweepAbandonedFolders(base); });
    std::string templ = base + "/kakikae-" + std::to_string(::getpid()) + "-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data())) path_ = buf.data();  // mkdtemp makes it 0700
    if (!path_.empty()) registerTemporaryFolder(path_);
}

PrivateDir::~PrivateDir() {
    if (path_.empty()) return;
    unregisterTemporaryFolder(path_);
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace kk
