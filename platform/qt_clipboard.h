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
    // How long the clipboard's owner may take to answer (X11).
    void setTimeout(int ms) { timeoutMs_ = ms; }
    bool readFrom(Source source) override;

private:
    std::atomic<bool> replaced_{false};
    std::atomic<bool> holdsText_{true};
    std::atomic<bool> primary_{false};
    int timeoutMs_ = 5000;
};

}  // namespace kk
