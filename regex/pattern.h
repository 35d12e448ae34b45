// A compiled PCRE2 pattern (UTF + UCP, JIT) with its own match data and
// limits: compile once per operation, match many times.
#pragma once

#include "core/result.h"
#include "regex/command.h"
#include "regex/limits.h"
#include "regex/replacement.h"

#include <functional>
#include <memory>
#include <string_view>

struct pcre2_real_code_8;
struct pcre2_real_match_data_8;
struct pcre2_real_match_context_8;
struct pcre2_real_jit_stack_8;

namespace kk::regex {

enum class MatchStatus { Found, NotFound, Failed, Stopped };

class Pattern {
public:
    // `command` and `patternOffset` only serve to place error columns.
    static Result<std::unique_ptr<Pattern>> compile(std::string_view pattern, const Options& options,
                                                    std::string_view command = {}, std::size_t patternOffset = 0,
                                                    const Limits& limits = {});
    ~Pattern();
    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;

    // Searches `subject` from byte `start`. With `notEmptyAtStart` an empty
    // match at `start` is refused (Perl's rule after an empty match).
    MatchStatus match(std::string_view subject, std::size_t start, bool notEmptyAtStart = false);
    // The same search a window of about `window` bytes at a time, so that
    // `stop` (asked between windows with how far the search has come) can end
    // a long one: Stopped then. A match that might run on past a window's end
    // widens the window, so the result is match()'s.
    MatchStatus matchInWindows(std::string_view subject, std::size_t start, bool notEmptyAtStart,
                               std::size_t window, const std::function<bool(std::size_t)>& stop);
    // Byte span of group n of the last match; {npos, npos} when it did not take part.
    std::pair<std::size_t, std::size_t> group(int n) const;
    int captureCount() const { return captures_; }
    // The pattern's named groups.
    GroupNames groupNames() const;
    // The error of the last Failed match.
    Error lastError() const { return lastError_; }

private:
    Pattern() = default;
    pcre2_real_code_8* code_ = nullptr;
    pcre2_real_match_data_8* data_ = nullptr;
    pcre2_real_match_context_8* context_ = nullptr;
    pcre2_real_jit_stack_8* jitStack_ = nullptr;
    const std::size_t* ovector_ = nullptr;
    int captures_ = 0;
    bool windowed_ = false;  // the search may go a window at a time
    Error lastError_{""};
};

}  // namespace kk::regex
