// Opening files, folders and addresses with the desktop's associated programs.
#pragma once

#include "platform/ports.h"

namespace kk {

class QtDesktop final : public Desktop {
public:
    bool openPath(const std::string& path) override;
    bool openUrl(const std::string& url) override;
    bool startProgram(const std::string& program, const std::vector<std::string>& args) override;
};

// No registry on this desktop: every value reads as not found.
class NoRegistry final : public Registry {
public:
    std::optional<std::string> readString(std::uint32_t, const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

}  // namespace kk
