// Where the program's files are. An installed program keeps its helpers in
// libexec/kakikae, its help page under share/doc/kakikae and the user's list
// files in $XDG_CONFIG_HOME/kakikae; a build folder or a portable copy keeps
// everything beside the executable.
#pragma once

#include <string>

namespace kk {

class DataFolder {
public:
    explicit DataFolder(std::string path) : path_(std::move(path)) {}
    // Beside the executable for a portable copy (a kakikae.portable marker
    // there, or list files already there, as an older copy left them);
    // $XDG_CONFIG_HOME/kakikae (default ~/.config/kakikae, the home folder
    // from the password database when $HOME is unset) otherwise; an empty
    // path when the user has no home at all (never a shared folder).
    static DataFolder locate(const std::string& executableDir);
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_.empty() ? std::string() : path_ + "/" + name; }

private:
    std::string path_;
};

// The program's own read-only files, found from the executable's folder.
struct InstallLayout {
    std::string executableDir;
    std::string helperDir;  // sortf: put on the filter child's PATH
    std::string docDir;     // the help page
    // The installed tree when the executable sits in it, else the folder
    // itself (a build folder, a portable copy).
    static InstallLayout locate(const std::string& executableDir);
    std::string commandLineTool() const { return executableDir + "/kakikae-cli"; }
};

// The folder holding the running executable.
std::string executableDirectory();

inline constexpr const char* kHistoryFileName = "kakikae1.ini";
inline constexpr const char* kFavouritesFileName = "kakikae0.ini";
inline constexpr const char* kRecipesFileName = "kakikae-recipes.txt";
inline constexpr const char* kPortableMarkerName = "kakikae.portable";

}  // namespace kk
