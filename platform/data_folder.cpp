// Data folder choice and the executable's own folder.
#include "platform/data_folder.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace kk {

namespace fs = std::filesystem;

std::string executableDirectory() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path(ec).string();
    return exe.parent_path().string();
}

DataFolder DataFolder::locate(const std::string& executableDir) {
    if (!executableDir.empty() && ::access(executableDir.c_str(), W_OK) == 0) return DataFolder(executableDir);
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home) base = std::string(home) + "/.config";
    else base = "/tmp";
    return DataFolder(base + "/kakikae");
}

}  // namespace kk
