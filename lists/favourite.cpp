// The comments are found by plain string search: a trailing one from the
// entry's end back to its nearest "【", a leading one from the start to its
// first "】"; "\s" around them is Perl's Unicode space.
#include "lists/favourite.h"

#include "core/text_codec.h"

#include <unicode/uchar.h>

namespace kk::lists {

namespace {

constexpr std::string_view kOpen = "【", kClose = "】";

bool isSpace(char32_t c) {
    if (c >= 0x09 && c <= 0x0D) return true;
    const int8_t type = u_charType(static_cast<UChar32>(c));
    return type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR;
}

// Where the run of spaces ending at `end` starts.
std::size_t spacesBefore(std::string_view text, std::size_t end) {
    while (end > 0) {
        std::size_t start = end - 1;
        while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
        std::size_t at = start;
        if (!isSpace(nextCodePoint(text, at))) break;
        end = start;
    }
    return end;
}

// Where the run of spaces starting at `from` ends.
std::size_t spacesAfter(std::string_view text, std::size_t from) {
    while (from < text.size()) {
        std::size_t at = from;
        if (!isSpace(nextCodePoint(text, at))) break;
        from = at;
    }
    return from;
}

}  // namespace

Text stripFavouriteComments(std::string_view entry) {
    std::string_view rest = entry;
    // A comment does not run over a line end (an entry is one line).
    const std::size_t end = spacesBefore(rest, rest.size());
    if (end >= kClose.size() && rest.substr(end - kClose.size(), kClose.size()) == kClose) {
        const std::size_t open = rest.rfind(kOpen, end - kClose.size());
        if (open != std::string_view::npos && rest.substr(open, end - open).find('\n') == std::string_view::npos)
            rest = rest.substr(0, spacesBefore(rest, open));
    }
    if (rest.substr(0, kOpen.size()) == kOpen) {
        const std::size_t close = rest.find(kClose, kOpen.size());
        if (close != std::string_view::npos && rest.substr(0, close).find('\n') == std::string_view::npos)
            rest = rest.substr(spacesAfter(rest, close + kClose.size()));
    }
    return Text(rest);
}

}  // namespace kk::lists
