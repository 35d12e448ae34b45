// Control positions at the opening size, and what follows the window size.
#include "window/layout.h"

#include <algorithm>
#include <cstdlib>

namespace kk::layout {

namespace {

// Narrower than the design, the rows of controls at fixed places (the top
// row, the row of the status line) close up in proportion from their left
// margin, so every control stays inside the window; at the design width and
// wider they stand where the design puts them.
Rect squeezed(Rect r, int w) {
    constexpr long kLeft = 120, kRight = 15;  // the rows' margins
    if (w >= kOpenWidth) return r;
    const long room = std::max(0L, static_cast<long>(w) - kLeft - kRight), design = kOpenWidth - kLeft - kRight;
    auto x = [&](long at) { return static_cast<int>(kLeft + (at - kLeft) * room / design); };
    const int left = x(r.left), right = x(static_cast<long>(r.left) + r.width);
    return {left, r.top, right - left, r.height};
}

}  // namespace

std::array<Placed, 17> placeControls(int w, int h, int rightColumn) {
    const int textH = std::abs(h - 2040);
    const int comboW = std::abs(w - 1440 - rightColumn);
    const int rightX = std::abs(w - rightColumn - 15);
    auto row = [w](Rect r) { return squeezed(r, w); };
    return {{
        {"History1", row({120, 120, 1335, 375})},
        {"HIstory2", row({1680, 120, 1215, 375})},
        {"History0", row({3120, 120, 1695, 375})},
        {"clipKakunin", row({5040, 120, 1575, 375})},
        {"m_rev", row({6960, 120, 1695, 375})},
        {"myIchigeki", row({8640, 120, 735, 375})},
        {"Label1", {120, 600, 1095, 375}},
        {"myRegstrBox", {1440, 600, comboW, 345}},
        {"runSed", {rightX, 600, rightColumn, 375}},
        {"okimariLabel", {120, 1200, 1215, 255}},
        {"okimariBox", {1440, 1080, comboW, 345}},
        {"ClipTenso", {rightX, 1080, rightColumn, 375}},
        {"okimarituika", row({120, 1560, 1335, 375})},
        {"multilineCmd", row({1560, 1560, 1095, 375})},
        {"jotai", row({2760, 1560, 5655, 375})},
        {"manualHenko", row({8760, 1680, 495, 255})},
        {"myTextBox", {0, 2040, w, textH}},
    }};
}

}  // namespace kk::layout
