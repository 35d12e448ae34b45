// Adjacent duplicate lines: remove them, or keep only the repeats.
#pragma once

#include "core/result.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kk::convert {

struct DuplicateResult {
    enum class Outcome { OneLine, NoDuplicates, Found } outcome = Outcome::OneLine;
    Text output;
    std::int64_t count = 0;
};

// Lines are compared by body (without LF or CR LF); a kept line keeps its own
// line end, and the text after the last LF is a line too.
DuplicateResult delJufuku(std::string_view text);
DuplicateResult exJufuku(std::string_view text);

// The same walk, handing each kept piece of the output to `keep` in order
// (a text without LF hands on nothing); returns the count of repeats.
std::int64_t scanDuplicates(std::string_view text, bool extract, const std::function<void(std::string_view)>& keep);

// The status-line text for an outcome.
std::string duplicateStatus(const DuplicateResult& result, bool extracting);

}  // namespace kk::convert
