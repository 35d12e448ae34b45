// PCRE2 compile and match with our options, newline rule and limits.
#define PCRE2_CODE_UNIT_WIDTH 8
#include "regex/pattern.h"

#include "texts/texts.h"

#include <pcre2.h>

namespace kk::regex {

using texts::message;
using texts::Msg;
using texts::patternErrorText;

namespace {

std::string pcreMessage(int code) {
    PCRE2_UCHAR buf[256];
    const int n = pcre2_get_error_message(code, buf, sizeof buf);
    return n > 0 ? std::string(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(n))
                 : "regular-expression error " + std::to_string(code);
}

}  // namespace

Result<std::unique_ptr<Pattern>> Pattern::compile(std::string_view pattern, const Options& options,
                                                  std::string_view command, std::size_t patternOffset,
                                                  const Limits& limits) {
    // Perl's line rules: LF is the only newline, so "$" matches before a final
    // LF (with the CR of CR LF still in front of it) and "." skips only LF.
    pcre2_compile_context* cctx = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(cctx, PCRE2_NEWLINE_LF);
    pcre2_set_bsr(cctx, PCRE2_BSR_UNICODE);
    // Names may repeat, as in perl: (?<n>a)|(?<n>b).
    std::uint32_t flags = PCRE2_UTF | PCRE2_UCP | PCRE2_MATCH_INVALID_UTF | PCRE2_DUPNAMES;
    if (options.caseless) flags |= PCRE2_CASELESS;
    if (options.multiline) flags |= PCRE2_MULTILINE;
    if (options.dotall) flags |= PCRE2_DOTALL;
    if (options.extended) flags |= PCRE2_EXTENDED;
    if (options.extendedMore) flags |= PCRE2_EXTENDED_MORE;
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    std::vector<std::size_t> inserted;
    const std::string source = perlQuantifiers(pattern, &inserted);
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(source.data()), source.size(), flags, &errorCode,
                                     &errorOffset, cctx);
    pcre2_compile_context_free(cctx);
    if (!code) {
        if (command.empty()) command = pattern, patternOffset = 0;
        for (auto k = inserted.rbegin(); k != inserted.rend(); ++k)
            if (*k < errorOffset) --errorOffset;
        return errorAt(command, patternOffset + errorOffset,
                       Msg::BadPattern, {patternErrorText(errorCode, pcreMessage(errorCode))});
    }
    std::unique_ptr<Pattern> p(new Pattern());
    p->code_ = code;
    // PCRE2 10.42's JIT loses a class's other non-ASCII members next to a
    // negated [:^graph:] or [:^print:] in UTF + UCP mode ([[:^graph:]あ]
    // does not match あ): such patterns run in the interpreter, which is right.
    const bool jitFaulty = source.find("[:^graph:]") != std::string::npos || source.find("[:^print:]") != std::string::npos;
    if (limits.jit && !jitFaulty)  // falls back to the interpreter when JIT is unavailable
        pcre2_jit_compile(code, PCRE2_JIT_COMPLETE | PCRE2_JIT_PARTIAL_HARD);
    // \G anchors at the search's start, which a window would move.
    p->windowed_ = source.find("\\G") == std::string::npos;
    std::uint32_t captures = 0;
    pcre2_pattern_info(code, PCRE2_INFO_CAPTURECOUNT, &captures);
    p->captures_ = static_cast<int>(captures);
    p->data_ = pcre2_match_data_create(captures + 1, nullptr);
    p->ovector_ = pcre2_get_ovector_pointer(p->data_);
    p->context_ = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(p->context_, limits.matchLimit);
    pcre2_set_depth_limit(p->context_, limits.depthLimit);
    pcre2_set_heap_limit(p->context_, limits.heapLimitKiB);
    p->jitStack_ = pcre2_jit_stack_create(64 * 1024, limits.jitStackMax, nullptr);
    if (p->jitStack_) pcre2_jit_stack_assign(p->context_, nullptr, p->jitStack_);
    return p;
}

Pattern::~Pattern() {
    if (jitStack_) pcre2_jit_stack_free(jitStack_);
    if (context_) pcre2_match_context_free(context_);
    if (data_) pcre2_match_data_free(data_);
    if (code_) pcre2_code_free(code_);
}

MatchStatus Pattern::match(std::string_view subject, std::size_t start, bool notEmptyAtStart) {
    const std::uint32_t opts = notEmptyAtStart ? PCRE2_NOTEMPTY_ATSTART : 0;
    const int rc =
        pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), start, opts, data_, context_);
    if (rc >= 0) return MatchStatus::Found;
    if (rc == PCRE2_ERROR_NOMATCH) return MatchStatus::NotFound;
    if (rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_DEPTHLIMIT || rc == PCRE2_ERROR_HEAPLIMIT ||
        rc == PCRE2_ERROR_JIT_STACKLIMIT || rc == PCRE2_ERROR_NOMEMORY)
        lastError_ = Error{Msg::TooComplex, {}, -1, ErrorKind::Fault};
    else lastError_ = Error{Msg::MatchFailed, {pcreMessage(rc)}, -1, ErrorKind::Fault};
    return MatchStatus::Failed;
}

MatchStatus Pattern::matchInWindows(std::string_view subject, std::size_t start, bool notEmptyAtStart,
                                    std::size_t window, const std::function<bool(std::size_t)>& stop) {
    if (!windowed_ || subject.size() - start <= window) return match(subject, start, notEmptyAtStart);
    std::size_t from = start, size = window;
    while (true) {
        std::size_t end = std::min(subject.size(), from + size);
        // A window ends between characters: a cut one would read as invalid.
        const auto inside = [&](std::size_t at) {
            return at < subject.size() && (static_cast<unsigned char>(subject[at]) & 0xC0) == 0x80;
        };
        while (end > from + 1 && inside(end)) --end;
        while (inside(end)) ++end;  // a window smaller than the character at its start
        if (end == subject.size()) return match(subject, from, notEmptyAtStart && from == start);
        // Hard partial matching reports any attempt that reached the window's
        // end; one that did not decides as it would over the whole subject.
        std::uint32_t opts = PCRE2_PARTIAL_HARD;
        if (notEmptyAtStart && from == start) opts |= PCRE2_NOTEMPTY_ATSTART;
        const int rc = pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(subject.data()), end, from, opts, data_,
                                   context_);
        if (rc >= 0) return MatchStatus::Found;
        if (rc == PCRE2_ERROR_PARTIAL) {
            size *= 2;  // again from the same place: doubling keeps the rescans within one more pass
        } else if (rc == PCRE2_ERROR_NOMATCH) {
            from = end;
            size = window;
        } else {
            return match(subject, from, notEmptyAtStart && from == start);  // the error, as match() words it
        }
        if (stop(from)) return MatchStatus::Stopped;
    }
}

GroupNames Pattern::groupNames() const {
    GroupNames names;
    std::uint32_t count = 0, entrySize = 0;
    PCRE2_SPTR table = nullptr;
    pcre2_pattern_info(code_, PCRE2_INFO_NAMECOUNT, &count);
    pcre2_pattern_info(code_, PCRE2_INFO_NAMEENTRYSIZE, &entrySize);
    pcre2_pattern_info(code_, PCRE2_INFO_NAMETABLE, &table);
    // Each entry: the group number in two bytes, then the name and a NUL; in
    // name order, and by number within a name.
    for (std::uint32_t k = 0; k < count && table; ++k) {
        const PCRE2_SPTR entry = table + static_cast<std::size_t>(k) * entrySize;
        const int number = (entry[0] << 8) | entry[1];
        names[std::string(reinterpret_cast<const char*>(entry + 2))].push_back(number);
    }
    return names;
}

std::pair<std::size_t, std::size_t> Pattern::group(int n) const {
    const std::size_t a = ovector_[2 * n], b = ovector_[2 * n + 1];
    if (a == PCRE2_UNSET) return {std::string_view::npos, std::string_view::npos};
    return {a, b};
}

}  // namespace kk::regex
