// Reversal with ICU's grapheme break iterator (a fast path for the common
// scripts that never form clusters), and the counts.
#include "convert/reverse_count.h"

#include "core/big_buffer.h"
#include "core/line_ends.h"
#include "core/text_codec.h"
#include "texts/texts.h"

#include <unicode/brkiter.h>
#include <unicode/utext.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace kk::convert {

namespace {

// Code points that never join a neighbour into a cluster: ASCII and Latin-1
// without marks, kana (without the combining voiced marks), kanji, and the
// full-width and half-width forms before the half-width voiced marks.
bool standsAlone(char32_t c) {
    return c < 0x300 || (c >= 0x3040 && c < 0x3099) || (c >= 0x309B && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xFF01 && c <= 0xFF9D);
}
// Marks that join the character before them (combining diacritics, the
// combining and the half-width voiced sound marks), unless that is a control.
bool joinsPrevious(char32_t c) {
    return (c >= 0x300 && c <= 0x36F) || c == 0x3099 || c == 0x309A || c == 0xFF9E || c == 0xFF9F;
}
bool isControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xAD; }

void appendReversedByClusters(std::string& out, std::string_view line) {
    thread_local std::unique_ptr<icu::BreakIterator> it = [] {
        UErrorCode status = U_ZERO_ERROR;
        return std::unique_ptr<icu::BreakIterator>(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    }();
    std::vector<std::size_t> bounds;
    UErrorCode status = U_ZERO_ERROR;
    UText* ut = utext_openUTF8(nullptr, line.data(), static_cast<int64_t>(line.size()), &status);
    if (!it || U_FAILURE(status)) {
        // Without ICU's data, fall back to code points.
        std::vector<std::size_t> starts;
        for (std::size_t i = 0; i < line.size(); nextCodePoint(line, i)) starts.push_back(i);
        for (std::size_t k = starts.size(); k-- > 0;)
            out.append(line.substr(starts[k], (k + 1 < starts.size() ? starts[k + 1] : line.size()) - starts[k]));
        if (ut) utext_close(ut);
        return;
    }
    it->setText(ut, status);
    for (int32_t b = it->first(); b != icu::BreakIterator::DONE; b = it->next())
        bounds.push_back(static_cast<std::size_t>(b));
    utext_close(ut);
    for (std::size_t k = bounds.size(); k-- > 1;) out.append(line.substr(bounds[k - 1], bounds[k] - bounds[k - 1]));
}

void appendReversed(std::string& out, std::string_view line) {
    bool ascii = true;
    for (const char c : line)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) {  // every byte is a cluster
        out.append(line.rbegin(), line.rend());
        return;
    }
    // The common scripts: clusters are a character and the marks after it.
    thread_local std::vector<std::size_t> starts;
    starts.clear();
    bool afterControl = true;  // also true before the first character: a mark there stands alone
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t at = i;
        const char32_t c = nextCodePoint(line, i);
        if (joinsPrevious(c)) {
            if (afterControl) starts.push_back(at);
            afterControl = false;
            continue;
        }
        if (!standsAlone(c)) {
            appendReversedByClusters(out, line);
            return;
        }
        starts.push_back(at);
        afterControl = isControl(c);
    }
    std::size_t end = line.size();
    for (std::size_t k = starts.size(); k-- > 0;) {
        out.append(line.substr(starts[k], end - starts[k]));
        end = starts[k];
    }
}

}  // namespace

Text reverseLineByClusters(std::string_view line) {
    std::string out;
    appendReversedByClusters(out, line);
    return out;
}

Text xrev(std::string_view text) {
    std::string out;
    reserveText(out, text.size());
    // Each line's body is reversed and keeps its own line end (LF or CR LF);
    // a lone CR is a character of its line.
    LineReader lines(text);
    for (Line line; lines.next(line);) {
        appendReversed(out, line.body);
        out.append(line.end);
    }
    return out;
}

namespace {

Counts countsOf(const TextTally& t) {
    Counts c;
    // A line end of either form is no character and 2 bytes (CR LF, as the
    // file would hold it on the older desktop); a lone CR is a character.
    c.characters = t.codePoints - t.lineEnds - t.crlfs;
    c.lines = t.lineEnds + 1;
    c.bytes = t.cp932Bytes + t.lineEnds - t.crlfs;
    c.strayBytes = !t.valid;
    return c;
}

}  // namespace

Counts countText(std::string_view text) { return text.empty() ? Counts{} : countsOf(tallyText(text)); }

std::optional<Counts> countRead(std::size_t size, const ReadAt& read, int& error) {
    const TextTally t = tallyRead(size, read, error);
    if (error) return std::nullopt;
    return t.codePoints == 0 ? Counts{} : countsOf(t);
}

std::string formatCount(std::int64_t n) {
    const bool negative = n < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    const std::string digits = std::to_string(magnitude);
    std::string out;
    const std::size_t len = digits.size();
    for (std::size_t i = 0; i < len; ++i) {
        if (i > 0 && (len - i) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return negative ? "-" + out : out;
}

std::string countStatus(const Counts& c) {
    return texts::message(texts::Msg::CountStatus, formatCount(c.characters), formatCount(c.lines),
                          formatCount(c.bytes));
}

}  // namespace kk::convert
