// The system clipboard through Qt, plain text only.
#pragma once

#include "platform/ports.h"

#include <atomic>

namespace kk {

class QtClipboard final : public Clipboard {
public:
    std::optional<std::string> readText() override;
    bool writeText(const std::string& utf8) override;
    bool holdsText() override;
    bool textHadReplacements() override { return replaced_; }
    // The UI-thread halves only hand over Qt's shared string; the UTF-8
    // crossings run wherever the other halves are called.
    std::optional<TextMaker> snapshotText() override;
    TextWriter prepareText(std::string utf8) override;

private:
    std::atomic<bool> replaced_{false};
};

}  // namespace kk
