// Checks by lstat, so a symlink planted in place of a folder is never followed.
#include "platform/user_paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kk {

namespace {

std::string absoluteEnv(const char* name) {
    const char* v = std::getenv(name);
    return v && v[0] == '/' ? std::string(v) : std::string();
}

}  // namespace

std::string homeFolder() {
    if (std::string home = absoluteEnv("HOME"); !home.empty()) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/') return pw->pw_dir;
    return {};
}

std::string configHome() {
    if (std::string xdg = absoluteEnv("XDG_CONFIG_HOME"); !xdg.empty()) return xdg;
    const std::string home = homeFolder();
    return home.empty() ? std::string() : home + "/.config";
}

bool isPrivateFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::optional<std::string> runtimeFolder(std::string* why) {
    if (std::string r = absoluteEnv("XDG_RUNTIME_DIR"); !r.empty() && isPrivateFolder(r)) return r;
    std::string base = absoluteEnv("TMPDIR");
    if (base.empty()) base = "/tmp";
    const std::string path = base + "/kakikae-" + std::to_string(::getuid());
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        if (why) *why = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 077) != 0) {
        if (why) *why = path + ": not a private folder of ours";
        return std::nullopt;
    }
    return path;
}

}  // namespace kk
