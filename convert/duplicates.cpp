// Both operations walk the lines once, comparing each with the one before.
#include "convert/duplicates.h"
#include "texts/texts.h"

#include "convert/reverse_count.h"
#include "platform/big_buffer.h"

namespace kk::convert {

namespace {

std::string_view withoutLineEnd(std::string_view line) {
    if (line.ends_with('\n')) line.remove_suffix(1);
    return line;
}

DuplicateResult scan(std::string_view text, bool extract) {
    DuplicateResult r;
    if (text.find('\n') == std::string_view::npos) return r;
    reserveText(r.output, extract ? text.size() / 8 : text.size());
    r.count = scanDuplicates(text, extract, [&r](std::string_view piece) { r.output.append(piece); });
    r.outcome = r.count == 0 ? DuplicateResult::Outcome::NoDuplicates : DuplicateResult::Outcome::Found;
    return r;
}

}  // namespace

std::int64_t scanDuplicates(std::string_view text, bool extract, const std::function<void(std::string_view)>& keep) {
    std::int64_t count = 0;
    if (text.find('\n') == std::string_view::npos) return count;
    // Kept lines are handed on in runs, one call per run rather than per line.
    std::size_t runStart = 0, pos = 0;
    std::string_view previous;
    auto take = [&](std::size_t from, std::size_t to, bool kept) {
        if (kept) return;
        if (runStart < from) keep(text.substr(runStart, from - runStart));
        runStart = to;
    };
    while (true) {
        const std::size_t lf = text.find('\n', pos);
        if (lf == std::string_view::npos) break;
        const std::string_view line = text.substr(pos, lf + 1 - pos);
        const bool repeat = line == previous;
        if (repeat) ++count;
        take(pos, lf + 1, repeat == extract);
        previous = line;
        pos = lf + 1;
    }
    // The tail (text after the last LF) compares with the previous line
    // without its line end; an empty tail is no line at all.
    const std::string_view tail = text.substr(pos);
    if (!tail.empty()) {
        const bool repeat = tail == withoutLineEnd(previous);
        if (repeat) ++count;
        take(pos, text.size(), repeat == extract);
    }
    if (runStart < text.size()) keep(text.substr(runStart));
    return count;
}

DuplicateResult delJufuku(std::string_view text) { return scan(text, false); }
DuplicateResult exJufuku(std::string_view text) { return scan(text, true); }

std::string duplicateStatus(const DuplicateResult& r, bool extracting) {
    switch (r.outcome) {
        case DuplicateResult::Outcome::OneLine: return texts::text(texts::Msg::OneLineOnly);
        case DuplicateResult::Outcome::NoDuplicates: return texts::text(texts::Msg::NoDuplicates);
        case DuplicateResult::Outcome::Found: break;
    }
    return texts::message(extracting ? texts::Msg::DuplicatesFound : texts::Msg::DuplicatesDeleted,
                          formatCount(r.count));
}

}  // namespace kk::convert
