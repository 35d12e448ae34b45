// The comment stripping runs the program's own reversal and replace commands.
#include "lists/favourite.h"

#include "convert/reverse_count.h"
#include "regex/operations.h"

namespace kk::lists {

Text stripFavouriteComments(std::string_view entry) {
    auto trailing = regex::xRep("s/^\\s*】.*?【\\s*//gk", convert::xrev(entry));
    if (!trailing) return Text(entry);
    auto leading = regex::xRep("s/^【.*?】\\s*//gk", convert::xrev(trailing.value()));
    if (!leading) return Text(entry);
    return std::move(leading).value();
}

}  // namespace kk::lists
