// Letter case, character width and hiragana/katakana over UTF-8 text, by
// ICU's root-locale mappings and the Unicode blocks.
#pragma once

#include "core/result.h"

#include <string_view>

namespace kk::convert {

Text toUpperCase(std::string_view text);
Text toLowerCase(std::string_view text);
// The first character of every word upper case, every other letter lower; a
// word starts at the text's start and after a space, tab, LF, VT, FF, CR or NUL.
Text toWordCapitals(std::string_view text);

// Half-width forms to full width (ASCII, space, half-width katakana with
// their voiced marks composed); the backslash is left as it is.
Text toFullWidth(std::string_view text);
// Full-width forms to half width; "￥" is left as it is.
Text toHalfWidth(std::string_view text);

// By the Unicode blocks: ぁ..ゖ ↔ ァ..ヶ, ゝゞ ↔ ヽヾ; other characters stay.
Text hiraganaToKatakana(std::string_view text);
Text katakanaToHiragana(std::string_view text);

}  // namespace kk::convert
