// Data folder choice and the program's own folders.
#include "platform/data_folder.h"
#include "kakikae_paths.h"
#include "platform/user_paths.h"

#include <cstdlib>
#include <filesystem>

namespace kk {

namespace fs = std::filesystem;

namespace {

bool present(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

}  // namespace

std::string executableDirectory() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path(ec).string();
    return exe.parent_path().string();
}

DataFolder DataFolder::locate(const std::string& executableDir) {
    if (!executableDir.empty()) {
        const fs::path dir(executableDir);
        for (const char* name : {kPortableMarkerName, kHistoryFileName, kFavouritesFileName})
            if (present(dir / name)) return DataFolder(executableDir);
    }
    // Never a shared folder: without a config home of the user's own there is
    // no data folder, and the list files are not written.
    const std::string base = configHome();
    return DataFolder(base.empty() ? std::string() : base + "/kakikae");
}

InstallLayout InstallLayout::locate(const std::string& executableDir) {
    InstallLayout layout{executableDir, executableDir, executableDir};
    const fs::path dir(executableDir);
    // The relative paths come from the install layout the build was configured with.
    if (const fs::path helpers = dir / KAKIKAE_HELPERS_FROM_BIN; present(helpers / "sortf"))
        layout.helperDir = helpers.lexically_normal().string();
    if (const fs::path doc = dir / KAKIKAE_DOC_FROM_BIN; present(doc / "kakikae.html"))
        layout.docDir = doc.lexically_normal().string();
    return layout;
}

}  // namespace kk
