// Both operations walk the lines once, comparing each with the one before.
#include "convert/duplicates.h"
#include "texts/texts.h"

#include "convert/reverse_count.h"
#include "core/line_ends.h"
#include "core/big_buffer.h"

namespace kk::convert {

namespace {

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
    // Lines are compared by body (p CR LF repeats p LF); each kept line keeps
    // its own line end. Kept lines are handed on in runs, one call per run.
    std::size_t runStart = 0;
    std::string_view previous;
    bool first = true;
    LineReader lines(text);
    for (Line line; lines.next(line);) {
        const std::size_t from = static_cast<std::size_t>(line.body.data() - text.data());
        const std::size_t to = from + line.body.size() + line.end.size();
        const bool repeat = !first && line.body == previous;
        if (repeat) ++count;
        if (repeat != extract) {
            if (runStart < from) keep(text.substr(runStart, from - runStart));
            runStart = to;
        }
        previous = line.body;
        first = false;
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
