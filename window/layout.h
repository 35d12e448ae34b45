// The main window's geometry in twips (1/1440 inch) and the resize rules;
// pure arithmetic so it can be tested without a screen.
#pragma once

#include <array>
#include <string_view>

namespace kk::layout {

struct Rect {
    int left, top, width, height;
};

struct Placed {
    std::string_view name;
    Rect rect;
};

inline constexpr int kOpenWidth = 9390;  // client area at opening, twips
inline constexpr int kOpenHeight = 7110;
// The smallest client area the window allows: the combo boxes at zero width
// and the text box at its top, where nothing overlaps yet.
inline constexpr int kMinWidth = 2415;
inline constexpr int kMinHeight = 2040;

// Every control's rectangle for a client area of w × h twips. Sizes that
// would go negative mirror into positive ones (absolute values), so a tiny
// window never yields a negative size.
// `rightColumn` is the width of the run and copy-back buttons: the design's
// 975, or more where this desktop's font needs it; the combo boxes give way.
inline constexpr int kRightColumn = 975;
std::array<Placed, 17> placeControls(int w, int h, int rightColumn = kRightColumn);

inline int twipsToPixels(int twips, double dpi) { return static_cast<int>(twips * dpi / 1440.0 + 0.5); }

}  // namespace kk::layout
