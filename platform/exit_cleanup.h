// What a run leaves on the disk or running must not outlive us when we are
// ended by a signal: the private folders holding the user's text and the
// filter's process group. Registered here while they live; the signal
// handler removes them with async-signal-safe calls only.
#pragma once

#include <sys/types.h>
#include <string>

namespace kk {

// The files a private folder may hold (the filter's two files).
inline constexpr const char* kTemporaryFileNames[] = {"kke0.tmp", "kke1.tmp"};

void registerTemporaryFolder(const std::string& path);
void unregisterTemporaryFolder(const std::string& path);
void registerChildGroup(pid_t group);
void unregisterChildGroup(pid_t group);

// On SIGTERM, SIGHUP and SIGINT: kill the registered groups, remove the
// registered folders, then end as the signal would have.
void cleanUpOnSignals();
// The same clean-up, for a program that ends by its own handler.
void cleanUpNow();

}  // namespace kk
