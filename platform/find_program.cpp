// PATH searched the way a shell does: each folder in order, the first
// executable file wins.
#include "platform/find_program.h"

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace kk {

std::string findProgramOnPath(const std::string& name, const std::vector<std::string>& first) {
    const char* path = std::getenv("PATH");
    if (!path || name.empty() || name.find('/') != std::string::npos) return {};
    std::string folders;
    for (const std::string& dir : first) folders += dir + ":";
    folders += path;
    std::string_view rest(folders);
    while (true) {
        const std::size_t colon = rest.find(':');
        const std::string dir(rest.substr(0, colon));
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0) return candidate;
        if (colon == std::string_view::npos) return {};
        rest.remove_prefix(colon + 1);
    }
}

}  // namespace kk
