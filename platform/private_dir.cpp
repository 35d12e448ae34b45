// mkdtemp under $XDG_RUNTIME_DIR or $TMPDIR (or /tmp).
#include "platform/private_dir.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace kk {

PrivateDir::PrivateDir() {
    std::string base;
    if (const char* r = std::getenv("XDG_RUNTIME_DIR"); r && *r && ::access(r, W_OK) == 0) base = r;
    else if (const char* t = std::getenv("TMPDIR"); t && *t) base = t;
    else base = "/tmp";
    std::string templ = base + "/kakikae-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data())) path_ = buf.data();  // mkdtemp makes it 0700
}

PrivateDir::~PrivateDir() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace kk
