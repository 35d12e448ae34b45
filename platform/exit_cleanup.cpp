// Fixed slots, so the handler touches no allocator and no lock.
#include "platform/exit_cleanup.h"

#include <unistd.h>
#include <atomic>
#include <csignal>
#include <cstring>

namespace kk {

namespace {

constexpr std::size_t kSlots = 16;
constexpr std::size_t kPathMax = 1024;

struct FolderSlot {
    std::atomic<bool> used{false};
    char path[kPathMax] = {};
};
FolderSlot folders[kSlots];
std::atomic<pid_t> groups[kSlots];

void removeFolder(const char* dir) {
    char file[kPathMax + 32];
    const std::size_t n = std::strlen(dir);
    for (const char* name : kTemporaryFileNames) {
        const std::size_t m = std::strlen(name);
        if (n + 1 + m + 1 > sizeof file) continue;
        std::memcpy(file, dir, n);
        file[n] = '/';
        std::memcpy(file + n + 1, name, m + 1);
        ::unlink(file);
    }
    ::rmdir(dir);
}

void onSignal(int sig) {
    cleanUpNow();
    std::signal(sig, SIG_DFL);
    ::raise(sig);
}

}  // namespace

void registerTemporaryFolder(const std::string& path) {
    if (path.size() >= kPathMax) return;
    for (auto& slot : folders) {
        bool expected = false;
        if (slot.used.load() || !slot.used.compare_exchange_strong(expected, true)) continue;
        std::memcpy(slot.path, path.c_str(), path.size() + 1);
        return;
    }
}

void unregisterTemporaryFolder(const std::string& path) {
    for (auto& slot : folders)
        if (slot.used.load() && path == slot.path) {
            slot.path[0] = '\0';
            slot.used.store(false);
            return;
        }
}

void registerChildGroup(pid_t group) {
    for (auto& g : groups) {
        pid_t expected = 0;
        if (g.compare_exchange_strong(expected, group)) return;
    }
}

void unregisterChildGroup(pid_t group) {
    for (auto& g : groups) {
        pid_t expected = group;
        if (g.compare_exchange_strong(expected, 0)) return;
    }
}

void cleanUpNow() {
    for (auto& g : groups)
        if (const pid_t group = g.load(); group > 0) ::kill(-group, SIGKILL);
    for (auto& slot : folders)
        if (slot.used.load() && slot.path[0]) removeFolder(slot.path);
}

void cleanUpOnSignals() {
    for (const int sig : {SIGTERM, SIGHUP, SIGINT}) std::signal(sig, onSignal);
}

}  // namespace kk
