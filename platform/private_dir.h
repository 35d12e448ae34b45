// A folder of our own (mode 0700) for one run's temporary files, removed with
// everything in it when the object goes, or by the signal clean-up when we
// are ended (platform/exit_cleanup.h).
#pragma once

#include <string>

namespace kk {

// Removes the folders below `base` that a run of ours left behind when it was
// killed outright: its process is gone.
void sweepAbandonedFolders(const std::string& base);

class PrivateDir {
public:
    PrivateDir();
    ~PrivateDir();
    PrivateDir(const PrivateDir&) = delete;
    PrivateDir& operator=(const PrivateDir&) = delete;
    bool ok() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace kk
