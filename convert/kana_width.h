// Half-width ↔ full-width katakana by the program's own command tables: the
// 26 voiced/semi-voiced pair commands, then the 68-character translation.
// Applied in one pass that gives the same result as running them in order.
#pragma once

#include "core/result.h"

#include <array>
#include <string_view>

namespace kk::convert {

struct KanaPair {
    const char* half;  // base letter + ﾞ or ﾟ
    const char* full;  // the precomposed letter
};

// The tables as data, exactly as the commands spell them.
extern const std::array<KanaPair, 26> kKanaPairs;
extern const char* const kHalfWidthList;  // 68 characters
extern const char* const kFullWidthList;  // 68 characters, position by position

Text hankakuToZenkaku2(std::string_view text);
Text zenkakuToHankaku(std::string_view text);

}  // namespace kk::convert
