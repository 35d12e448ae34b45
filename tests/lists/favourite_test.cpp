// Choosing a favourite: which 【…】 comments go and which stay.
#include "lists/favourite.h"

#include <gtest/gtest.h>

namespace kk::lists {
namespace {

TEST(Favourite, CommentsAtTheEnds) {
    const struct {
        const char* entry;
        const char* command;
    } cases[] = {
        {"【全角スペース削除】 s/　//gk", "s/　//gk"},
        {"s/　//gk 【全角スペース削除】", "s/　//gk"},
        {"【前】 s/a/b/g 【後】", "s/a/b/g"},
        {"【一】【二】", ""},
        {"s/a/b/g", "s/a/b/g"},
        {"s/【/[/g", "s/【/[/g"},            // a "【" inside, no closing comment
        {"s/x【y】z/w/g", "s/x【y】z/w/g"},  // a bracketed run in the middle stays
        {"【外【内】】 sort", "】 sort"},    // nested: the leading comment ends at its first "】"
        {"sort 【a】b】", "sort"},           // "】" inside a trailing comment is allowed
        {"  【前】 sort", "  【前】 sort"},  // a leading comment must start the entry
        {"sort 【後】   ", "sort"},          // blanks after the closing "】" go with it
        {"[ascii] sort", "[ascii] sort"},    // only full-width lenticular brackets
        {"【コメントだけ】", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(stripFavouriteComments(c.entry), c.command) << c.entry;
}

}  // namespace
}  // namespace kk::lists
