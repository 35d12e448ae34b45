// tr/search/replace/cds as Perl has it: ranges, escapes, complement, delete,
// squeeze, and a shorter replacement list repeating its last character.
#pragma once

#include "diff/changes.h"
#include "core/result.h"
#include "regex/command.h"

#include "core/text_out.h"
#include "core/work.h"

#include <atomic>
#include <string_view>

namespace kk::regex {

// Looks at `work` every few MB of text. With a `sink` the result goes there
// as it is made and the value returned is empty.
TextResult transliterate(const Command& cmd, const Options& options, std::string_view command, std::string_view text,
                         WorkLink work = nullptr, diff::Report* report = nullptr, TextSink* sink = nullptr);

}  // namespace kk::regex
