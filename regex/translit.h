// tr/search/replace/cds as Perl has it: ranges, escapes, complement, delete,
// squeeze, and a shorter replacement list repeating its last character.
#pragma once

#include "diff/changes.h"
#include "platform/result.h"
#include "regex/command.h"

#include <atomic>
#include <string_view>

namespace kk::regex {

// Looks at `cancel` every few MB of text.
TextResult transliterate(const Command& cmd, const Options& options, std::string_view command, std::string_view text,
                         const std::atomic<bool>* cancel = nullptr, diff::Report* report = nullptr);

}  // namespace kk::regex
