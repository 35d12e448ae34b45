#include "app/layout.h"

#include <gtest/gtest.h>

namespace kk::layout {
namespace {

Rect find(const std::array<Placed, 17>& all, std::string_view name) {
    for (const auto& p : all)
        if (p.name == name) return p.rect;
    ADD_FAILURE() << name;
    return {};
}

TEST(Layout, ResizeRules) {
    struct { int w, h, textH, comboW, rightX; } cases[] = {
        {9390, 7110, 5070, 6975, 8400},
        {10390, 7110, 5070, 7975, 9400},   // 1000 wider
        {2000, 7110, 5070, 415, 1010},     // absolute values
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

TEST(Layout, Pixels) {
    EXPECT_EQ(twipsToPixels(1440, 96), 96);
    EXPECT_EQ(twipsToPixels(9390, 96), 626);
    EXPECT_EQ(twipsToPixels(9390, 192), 1252);
}

}  // namespace
}  // namespace kk::layout
