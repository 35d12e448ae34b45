#include "platform/notify_loader.h"

#include <dlfcn.h>

namespace kk {

bool notifyThroughModule(const std::string& helperDir, const std::string& summary, const std::string& body,
                         bool error) {
    // Loaded once and kept: the bus library does not unload cleanly.
    static void* module = ::dlopen((helperDir + "/kakikae-notify.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) return false;
    using Notify = bool (*)(const char*, const char*, bool);
    const auto notify = reinterpret_cast<Notify>(::dlsym(module, "kakikae_notify_desktop"));
    return notify && notify(summary.c_str(), body.c_str(), error);
}

}  // namespace kk
