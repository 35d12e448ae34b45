#include "window/layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace kk::layout {
namespace {

Rect find(const std::array<Placed, 17>& all, std::string_view name) {
    for (const auto& p : all)
        if (p.name == name) return p.rect;
    ADD_FAILURE() << name;
    return {};
}

TEST(Layout, ResizeRules) {
    struct {
        int w, h, textH, comboW, rightX;
    } cases[] = {
        {9390, 7110, 5070, 6975, 8400},
        {10390, 7110, 5070, 7975, 9400},  // 1000 wider
        {2000, 7110, 5070, 415, 1010},    // absolute values
        {0, 0, 2040, 2415, 990},
    };
    for (const auto& c : cases) {
        const auto all = placeControls(c.w, c.h);
        EXPECT_EQ(find(all, "myTextBox").height, c.textH);
        EXPECT_EQ(find(all, "myTextBox").width, c.w);
        EXPECT_EQ(find(all, "myRegstrBox").width, c.comboW);
        EXPECT_EQ(find(all, "okimariBox").width, c.comboW);
        EXPECT_EQ(find(all, "runSed").left, c.rightX);
        EXPECT_EQ(find(all, "ClipTenso").left, c.rightX);
        EXPECT_EQ(find(all, "History1").left, 120);  // the first row stays
        for (const auto& p : all) EXPECT_GE(p.rect.width, 0) << p.name;
    }
}

// No two controls overlap at the smallest window we allow and at a large
// one, except the 15 twips the design itself has: each combo box runs under
// the button to its right (it ends at W − 975, the button starts at W − 990),
// and the "-v" check box's box ends 15 twips inside the one-shot button.
TEST(Layout, NoOverlapAtTheSmallestAndALargeSize) {
    auto overlap = [](const Rect& a, const Rect& b) {
        const int x = std::min(a.left + a.width, b.left + b.width) - std::max(a.left, b.left);
        const int y = std::min(a.top + a.height, b.top + b.height) - std::max(a.top, b.top);
        return x > 0 && y > 0 ? x : 0;
    };
    for (const auto& [w, h] : {std::pair{kMinWidth, kMinHeight}, {kOpenWidth, kOpenHeight}, {30000, 20000}}) {
        const auto all = placeControls(w, h);
        for (std::size_t i = 0; i < all.size(); ++i)
            for (std::size_t j = i + 1; j < all.size(); ++j) {
                const int x = overlap(all[i].rect, all[j].rect);
                const bool designed = (all[i].name == "myRegstrBox" && all[j].name == "runSed") ||
                                      (all[i].name == "okimariBox" && all[j].name == "ClipTenso") ||
                                      (all[i].name == "m_rev" && all[j].name == "myIchigeki");
                EXPECT_LE(x, designed ? 15 : 0) << all[i].name << " / " << all[j].name << " at " << w << "×" << h;
            }
    }
}

TEST(Layout, Pixels) {
    EXPECT_EQ(twipsToPixels(1440, 96), 96);
    EXPECT_EQ(twipsToPixels(9390, 96), 626);
    EXPECT_EQ(twipsToPixels(9390, 192), 1252);
}

}  // namespace
}  // namespace kk::layout
