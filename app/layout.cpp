// Control positions at the opening size, and what follows the window size.
#include "app/layout.h"

#include <cstdlib>

namespace kk::layout {

std::array<Placed, 17> placeControls(int w, int h, int rightColumn) {
    const int textH = std::abs(h - 2040);
    const int comboW = std::abs(w - 1440 - rightColumn);
    const int rightX = std::abs(w - rightColumn - 15);
    return {{
        {"History1", {120, 120, 1335, 375}},
        {"HIstory2", {1680, 120, 1215, 375}},
        {"History0", {3120, 120, 1695, 375}},
        {"clipKakunin", {5040, 120, 1575, 375}},
        {"m_rev", {6960, 120, 1695, 375}},
        {"myIchigeki", {8640, 120, 735, 375}},
        {"Label1", {120, 600, 1095, 375}},
        {"myRegstrBox", {1440, 600, comboW, 345}},
        {"runSed", {rightX, 600, rightColumn, 375}},
        {"okimariLabel", {120, 1200, 1215, 255}},
        {"okimariBox", {1440, 1080, comboW, 345}},
        {"ClipTenso", {rightX, 1080, rightColumn, 375}},
        {"okimarituika", {120, 1560, 1335, 375}},
        {"multilineCmd", {1560, 1560, 1095, 375}},
        {"jotai", {2760, 1560, 5655, 375}},
        {"manualHenko", {8760, 1680, 495, 255}},
        {"myTextBox", {0, 2040, w, textH}},
    }};
}

}  // namespace kk::layout
