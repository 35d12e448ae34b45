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

}  // namespace kk
