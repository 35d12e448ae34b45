// Where the list files live: beside the executable when that folder is
// writable (portable use), else $XDG_CONFIG_HOME/kakikae.
#pragma once

#include <string>

namespace kk {

class DataFolder {
public:
    explicit DataFolder(std::string path) : path_(std::move(path)) {}
    // Picks the folder for an executable living in `executableDir`.
    static DataFolder locate(const std::string& executableDir);
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Creates the folder if it is missing; false when that fails.

private:
    std::string path_;
};

// The folder holding the running executable.
std::string executableDirectory();

inline constexpr const char* kHistoryFileName = "kakikae1.ini";
inline constexpr const char* kFavouritesFileName = "kakikae0.ini";

}  // namespace kk
