// Both parts go through the same two replaces, escaping first, so the
// backslashes the line-end step writes are not doubled.
#include "dialogs/multiline_command.h"

#include "regex/operations.h"

namespace kk::dialogs {

namespace {

// Each line break of the helper's box becomes the escape of the working
// text's own line end: \n for an LF text, \r\n for a CR LF text.
Text escapePart(std::string_view text, std::string_view lineEnd) {
    if (text.empty()) return {};
    auto escaped = regex::xRep("s/[\\\\^.$|()\\[\\]*+?\\/]/\\\\$&/gk", text);
    if (!escaped) return Text(text);
    const char* step = lineEnd == "\r\n" ? "s/\\r?\\n/\\\\r\\\\n/gk" : "s/\\r?\\n/\\\\n/gk";
    auto lines = regex::xRep(step, escaped.value());
    return lines ? std::move(lines).value() : std::move(escaped).value();
}

}  // namespace

Text buildMultiLineCommand(std::string_view search, std::string_view replacement, std::string_view lineEnd) {
    return "s/" + escapePart(search, lineEnd) + "/" + escapePart(replacement, lineEnd) + "/gk";
}

}  // namespace kk::dialogs
