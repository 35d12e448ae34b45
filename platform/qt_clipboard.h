// The system clipboard through Qt, plain text only.
#pragma once

#include "platform/ports.h"

namespace kk {

class QtClipboard final : public Clipboard {
public:
    std::optional<std::string> readText() override;
    bool writeText(const std::string& utf8) override;
};

}  // namespace kk
