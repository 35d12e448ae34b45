// Replace / translate / match loops over PCRE2, compiled once per operation.
#include "regex/operations.h"

#include "core/big_buffer.h"
#include "core/line_ends.h"
#include "core/text_codec.h"
#include "regex/command.h"
#include "regex/pattern.h"
#include "regex/prefilter.h"
#include "regex/replacement.h"
#include "regex/translit.h"
#include "texts/texts.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <tuple>

namespace kk::regex {

using texts::message;
using texts::Msg;
using texts::patternErrorText;

namespace {

// A pattern that is plain text (no metacharacter, no escape) can be searched
// with a byte search instead of the regex machine.
bool isPlainLiteral(std::string_view pattern, const Options& o) {
    if (pattern.empty() || o.caseless || o.extended) return false;
    for (const char c : pattern) {
        if (std::strchr("\\^$.|?*+()[]{}", c) && c != '\0') return false;
    }
    return true;
}

// A command read as it stands that must be of one kind (the named entry points).
Result<ParsedCommand> parseAs(std::string_view command, CommandKind kind, const char* what) {
    auto ps = readCommand(command, CommandRules::AsItStands);
    if (!ps) return ps.error();
    if (ps.value().mode == CommandMode::Filter || ps.value().parts.kind != kind)
        return errorAt(command, 0, Msg::WrongCommandKind, {what});
    return ps;
}

// A match of a plain literal: group 0 only.
class LiteralMatch final : public MatchView {
public:
    LiteralMatch(std::string_view text, std::size_t length) : text_(text), length_(length) {}
    std::size_t at = 0;
    std::string_view group(int n) const override { return n == 0 ? text_.substr(at, length_) : std::string_view(); }
    bool set(int n) const override { return n == 0; }
    std::string_view prematch() const override { return text_.substr(0, at); }
    std::string_view postmatch() const override { return text_.substr(at + length_); }
    int groupCount() const override { return 0; }

private:
    std::string_view text_;
    std::size_t length_;
};

// The last match of a compiled pattern over `text`.
class PatternMatch final : public MatchView {
public:
    PatternMatch(const Pattern& p, std::string_view text) : p_(p), text_(text) {}
    std::string_view group(int n) const override {
        const auto [a, b] = p_.group(n);
        return a == std::string_view::npos ? std::string_view() : text_.substr(a, b - a);
    }
    bool set(int n) const override { return p_.group(n).first != std::string_view::npos; }
    std::string_view prematch() const override { return text_.substr(0, p_.group(0).first); }
    std::string_view postmatch() const override { return text_.substr(p_.group(0).second); }
    int groupCount() const override { return p_.captureCount(); }

private:
    const Pattern& p_;
    std::string_view text_;
};

// One replacement's span in both texts, for the report.
void noteChange(diff::Report* report, std::size_t from, std::size_t fromLength, std::size_t to, std::size_t toLength) {
    if (!report) return;
    ++report->count;
    report->changes.push_back({from, fromLength, to, toLength});
}

// How much text a loop may walk between two looks at the cancel request
// (and two progress reports).
constexpr std::size_t kCancelCheckBytes = std::size_t{4} << 20;

// The literal's next place from `from`, searched a window at a time so that
// a cancel (an overtaken preview) is seen within one window even where the
// literal is rare; `stopped` says the search ended for a cancel.
std::size_t findLiteralUnlessCancelled(std::string_view text, std::string_view literal, std::size_t from,
                                       WorkLink work, bool& stopped) {
    while (from < text.size()) {
        const std::size_t end = std::min(text.size(), from + kCancelCheckBytes + literal.size());
        const std::size_t hit = findLiteral(text.substr(0, end), literal, from);
        if (hit != std::string_view::npos || end == text.size()) return hit;
        from += kCancelCheckBytes;
        reportDone(work, from);
        if (cancelledBy(work)) {
            stopped = true;
            return std::string_view::npos;
        }
    }
    return std::string_view::npos;
}

// Where the line holding byte `at` starts.
std::size_t lineStartOf(std::string_view text, std::size_t at) {
    const std::size_t lf = text.rfind('\n', at);
    return lf == std::string_view::npos ? 0 : lf + 1;
}

// The result as the operation's value, or its end handed to the sink.
TextResult finished(TextOut& out) {
    std::string whole = out.finish();
    if (!out.ok()) return outputUnwritableError();
    return whole;
}

// The result is made from the first match on: a text without one costs no
// copy when the caller takes `unchanged` (then nothing is returned).
TextResult unchangedResult(std::string_view text, bool* unchanged, TextOut& out) {
    if (unchanged) {
        *unchanged = true;
        return std::string();
    }
    out.append(text);
    return finished(out);
}

TextResult substituteLiteral(std::string_view needle, const Replacement& rep, bool global, std::string_view text,
                             WorkLink work, diff::Report* report, bool* unchanged, TextSink* sink) {
    TextOut out(sink);
    bool matched = false;
    std::size_t copied = 0;
    std::size_t count = 0;
    LiteralMatch match(text, needle.size());
    while (true) {
        const std::size_t at = text.find(needle, copied);
        if (at == std::string_view::npos) break;
        if (!matched) out.reserve(text.size() + text.size() / 16);
        matched = true;
        out.append(text.substr(copied, at - copied));
        match.at = at;
        const std::size_t to = out.size();
        rep.expand(out.buffer(), match);
        noteChange(report, at, needle.size(), to, out.size() - to);
        out.settle();
        if (out.size() > kMaxOutputBytes) return outputTooBigError();
        copied = at + needle.size();
        if (!global) break;
        if ((++count & 4095) == 0) {
            if (cancelledBy(work)) return cancelledError();
            if (!out.ok()) return outputUnwritableError();
            reportDone(work, copied);
        }
    }
    if (!matched) return unchangedResult(text, unchanged, out);
    out.append(text.substr(copied));
    return finished(out);
}

// With a line-local `filter`, the machine searches only the lines that hold
// its literal, each as the text up to that line's end (so lookbehinds still
// see the lines before it); the other lines are copied as they are.
TextResult substitute(Pattern& p, const Replacement& rep, bool global, std::string_view text, WorkLink work,
                      diff::Report* report, const Prefilter* filter, bool* unchanged, TextSink* sink) {
    TextOut out(sink);
    bool matched = false;
    std::size_t copied = 0, start = 0, count = 0, checkedAt = 0;
    std::size_t limit = text.size();  // the search's subject ends here
    bool inLine = false;              // [start, limit) is a line holding the literal
    bool notEmpty = false;
    const PatternMatch match(p, text);
    while (start <= text.size()) {
        if (filter && !inLine) {
            bool stopped = false;
            const std::size_t hit = findLiteralUnlessCancelled(text, filter->literal, start, work, stopped);
            if (stopped) return cancelledError();
            if (hit == std::string_view::npos) break;
            start = std::max(start, lineStartOf(text, hit));
            limit = std::min(text.find('\n', hit), text.size());
            inLine = true;
        }
        // Without a literal to look for, one search may cross the whole text:
        // it asks for a cancel between windows.
        const MatchStatus st = filter ? p.match(text.substr(0, limit), start, notEmpty)
                                      : p.matchInWindows(text, start, notEmpty, kCancelCheckBytes, [work](std::size_t at) {
                                            reportDone(work, at);
                                            return cancelledBy(work);
                                        });
        if (st == MatchStatus::Stopped) return cancelledError();
        if (st == MatchStatus::NotFound) {
            if (!filter) break;
            start = limit + 1;
            inLine = false;
            notEmpty = false;
            continue;
        }
        if (st == MatchStatus::Failed) return p.lastError();
        const auto [ms, me] = p.group(0);
        if (me < ms || ms < copied) return Error{Msg::KeepMovedBack, {}, -1};
        if (!matched) out.reserve(text.size() + text.size() / 16);
        matched = true;
        out.append(text.substr(copied, ms - copied));
        const std::size_t to = out.size();
        rep.expand(out.buffer(), match);
        noteChange(report, ms, me - ms, to, out.size() - to);
        out.settle();
        if (out.size() > kMaxOutputBytes) return outputTooBigError();
        copied = me;
        if (!global) break;
        // Perl's rule: after an empty match the next one may not be empty at the same place.
        notEmpty = ms == me;
        // The cancel request every 4096 matches or every few MB, whichever comes first.
        if ((++count & 4095) == 0 || me - checkedAt > kCancelCheckBytes) {
            if (cancelledBy(work)) return cancelledError();
            if (!out.ok()) return outputUnwritableError();
            reportDone(work, me);
            checkedAt = me;
        }
        start = me;
    }
    if (!matched) return unchangedResult(text, unchanged, out);
    out.append(text.substr(copied));
    return finished(out);
}

TextResult runSubstitute(const ParsedCommand& ps, std::string_view text, WorkLink work, diff::Report* report,
                         bool* unchanged, TextSink* sink = nullptr) {
    const std::string_view command = ps.source;
    if (isPlainLiteral(ps.parts.pattern, ps.options)) {
        auto rep = Replacement::parse(ps.parts.replacement, 0, {}, command, ps.parts.replacementOffset);
        if (!rep) return rep.error();
        return substituteLiteral(ps.parts.pattern, rep.value(), ps.options.global, text, work, report, unchanged, sink);
    }
    auto pat = Pattern::compile(ps.parts.pattern, ps.options, command, ps.parts.patternOffset);
    if (!pat) return pat.error();
    auto rep = Replacement::parse(ps.parts.replacement, pat.value()->captureCount(), pat.value()->groupNames(), command,
                                  ps.parts.replacementOffset);
    if (!rep) return rep.error();
    const auto filter = analysePattern(ps.parts.pattern, ps.options);
    return substitute(*pat.value(), rep.value(), ps.options.global, text, work, report,
                      filter && filter->lineLocal ? &*filter : nullptr, unchanged, sink);
}

// Line by line: "^" and "$" at every line body's ends (the pattern has perl's
// m). A CR LF text runs as its bodies-only form, so "$", "." and "\r" never
// see a line end's CR; what the replace did not touch is copied from the text
// as it was.
TextResult substituteByLines(const ParsedCommand& ps, std::string_view text, WorkLink work, diff::Report* report,
                             bool* unchanged, TextSink* sink) {
    const LfView view(text);
    if (!view.changed()) return runSubstitute(ps, text, work, report, unchanged, sink);
    diff::Report spans;
    bool none = false;
    auto r = runSubstitute(ps, view.text(), work, &spans, &none);
    if (!r) return r;
    TextOut out(sink);
    if (none) return unchangedResult(text, unchanged, out);
    const std::string& lfResult = r.value();
    out.reserve(text.size() + lfResult.size() / 16);
    std::size_t copied = 0;  // in the original text
    for (const diff::Change& c : spans.changes) {
        const std::size_t from = view.originalOffset(c.from);
        const std::size_t end = view.originalOffset(c.from + c.fromLength);
        out.append(text.substr(copied, from - copied));
        const std::size_t to = out.size();
        out.append(std::string_view(lfResult).substr(c.to, c.toLength));
        noteChange(report, from, end - from, to, c.toLength);
        copied = end;
    }
    out.append(text.substr(copied));
    return finished(out);
}

TextResult keepLines(const ParsedCommand& ps, std::string_view text, int invert, WorkLink work,
                     diff::Report* report, TextSink* sink) {
    const std::string_view command = ps.source;
    auto compiled = Pattern::compile(ps.parts.pattern, ps.options, command, ps.parts.patternOffset);
    if (!compiled) return compiled.error();
    Pattern& pat = *compiled.value();
    const bool keepMatching = invert == 0;
    // A line without the pattern's literal cannot match: kept lines are found
    // by a byte search, and a plain literal needs no machine at all.
    const auto filter = analysePattern(ps.parts.pattern, ps.options);
    const bool plain =
        filter && filter->literal == ps.parts.pattern && isPlainLiteral(ps.parts.pattern, ps.options);
    bool stopped = false;
    std::size_t hit = filter ? findLiteralUnlessCancelled(text, filter->literal, 0, work, stopped) : 0;
    if (stopped) return cancelledError();
    // A kept last line without a line end gets the text's own.
    const std::string_view ownEnd = lineEndOf(text);

    TextOut out(sink);
    out.reserve(text.size() / 2);
    std::size_t pos = 0, count = 0;
    std::size_t runFrom = std::string_view::npos, runTo = 0;  // kept lines not yet appended
    auto flushRun = [&] {
        if (runFrom != std::string_view::npos) out.append(text.substr(runFrom, runTo - runFrom));
        runFrom = std::string_view::npos;
    };
    // Each line is tested by its body (without LF or CR LF) and kept with its
    // own line end; a lone CR is a character of its line; empty lines are dropped.
    while (pos < text.size()) {
        if (filter && hit != std::string_view::npos && hit < pos) {
            hit = findLiteralUnlessCancelled(text, filter->literal, pos, work, stopped);
            if (stopped) return cancelledError();
        }
        if (filter && keepMatching) {
            if (hit == std::string_view::npos) break;
            pos = lineStartOf(text, hit);
        }
        Line line;
        LineReader lines(text, pos);
        lines.next(line);
        pos = lines.position();
        if (line.body.empty()) continue;
        const std::size_t from = static_cast<std::size_t>(line.body.data() - text.data());
        const std::size_t bodyEnd = from + line.body.size();
        bool found = false;
        std::size_t ms = std::string_view::npos, me = ms;
        if (filter && (hit == std::string_view::npos || hit >= bodyEnd)) {
            found = false;
        } else if (plain) {
            found = hit + filter->literal.size() <= bodyEnd;
            ms = hit - from;
            me = ms + filter->literal.size();
        } else {
            const MatchStatus st = pat.match(line.body, 0);
            if (st == MatchStatus::Failed) return pat.lastError();
            found = st == MatchStatus::Found;
            if (found) std::tie(ms, me) = pat.group(0);
        }
        if (found == keepMatching) {
            // Kept lines that follow each other go out as one run of the
            // text, copied once (or handed to the sink as they lie).
            std::size_t at;  // where the line now starts
            if (line.end.empty()) {
                flushRun();
                at = out.size();
                out.append(line.body);
                out.append(ownEnd);
            } else {
                const std::size_t lineEnd = from + line.body.size() + line.end.size();
                if (runFrom == std::string_view::npos || runTo != from) {
                    flushRun();
                    runFrom = from;
                }
                runTo = lineEnd;
                at = out.size() + (from - runFrom);
            }
            if (report) {
                // A kept line: the match within it, where it now stands.
                ++report->count;
                if (keepMatching && ms != std::string_view::npos)
                    report->changes.push_back({from + ms, me - ms, at + ms, me - ms});
            }
        }
        if ((++count & 4095) == 0) {
            if (cancelledBy(work)) return cancelledError();
            if (!out.ok()) return outputUnwritableError();
            reportDone(work, from);
        }
    }
    flushRun();
    return finished(out);
}

}  // namespace

TextResult applyCommand(const ParsedCommand& command, std::string_view text, int invert, WorkLink work,
                        diff::Report* report, bool* unchanged, TextSink* sink) {
    switch (command.mode) {
        case CommandMode::Substitute:
            return command.lineAnchored ? substituteByLines(command, text, work, report, unchanged, sink)
                                        : runSubstitute(command, text, work, report, unchanged, sink);
        case CommandMode::Translate:
            return transliterate(command.parts, command.options, command.source, text, work, report, sink);
        case CommandMode::Match: return keepLines(command, text, invert, work, report, sink);
        case CommandMode::Filter: break;
    }
    return Error{Msg::NotRegexCommand, {}, 0};
}

TextResult applyCommand(std::string_view command, std::string_view text, int invert, WorkLink work,
                        diff::Report* report, bool* unchanged) {
    auto ps = readCommand(command, CommandRules::AsItStands);
    if (!ps) return ps.error();
    return applyCommand(ps.value(), text, invert, work, report, unchanged);
}

TextResult xRep(std::string_view command, std::string_view text, WorkLink work, diff::Report* report,
                bool* unchanged) {
    auto ps = parseAs(command, CommandKind::Substitute, "s/pattern/replacement/");
    if (!ps) return ps.error();
    return runSubstitute(ps.value(), text, work, report, unchanged);
}

TextResult xtrans(std::string_view command, std::string_view text, WorkLink work, diff::Report* report) {
    auto ps = parseAs(command, CommandKind::Translate, "tr/list/list/");
    if (!ps) return ps.error();
    return applyCommand(ps.value(), text, 0, work, report);
}

TextResult crdelSed(std::string_view command, std::string_view text, WorkLink work, diff::Report* report,
                    bool* unchanged) {
    auto ps = parseAs(command, CommandKind::Substitute, "s/pattern/replacement/");
    if (!ps) return ps.error();
    anchorToLines(ps.value());
    return applyCommand(ps.value(), text, 0, work, report, unchanged);
}

TextResult xmatch(std::string_view command, std::string_view text, int invert, WorkLink work,
                  diff::Report* report) {
    auto ps = parseAs(command, CommandKind::Match, "m/pattern/");
    if (!ps) return ps.error();
    return applyCommand(ps.value(), text, invert, work, report);
}

std::int64_t CountString(std::string_view text, std::string_view ch) {
    if (ch.empty()) return 0;
    std::size_t len = 0;
    nextCodePoint(ch, len);
    if (len != ch.size()) return 0;
    if (ch.size() == 1) return std::count(text.begin(), text.end(), ch[0]);
    std::int64_t n = 0;
    for (std::size_t at = text.find(ch); at != std::string_view::npos; at = text.find(ch, at + ch.size())) ++n;
    return n;
}

}  // namespace kk::regex
