// Both parts go through the same two replaces, escaping first, so the
// backslashes the line-end step writes are not doubled.
#include "dialogs/multiline_command.h"

#include "regex/operations.h"

namespace kk::dialogs {

namespace {

Text escapePart(std::string_view text) {
    if (text.empty()) return {};
    auto escaped = regex::xRep("s/[\\\\^.$|()\\[\\]*+?\\/]/\\\\$&/gk", text);
    if (!escaped) return Text(text);
    auto lines = regex::xRep("s/\\n/\\\\r\\\\n/gk", escaped.value());
    return lines ? std::move(lines).value() : std::move(escaped).value();
}

}  // namespace

Text buildMultiLineCommand(std::string_view search, std::string_view replacement) {
    return "s/" + escapePart(search) + "/" + escapePart(replacement) + "/gk";
}

}  // namespace kk::dialogs
