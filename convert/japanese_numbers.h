// Kanji numerals and Arabic digits, both ways, changed only where the text
// holds a number: 二千二十六 ⇄ 2026, 二〇二六, 壱萬弐千 and 3万5千.
#pragma once

#include "core/result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kk::convert {

enum class KanjiStyle {
    PlaceWords,  // 二千二十六
    Digitwise,   // 二〇二六
    Daiji,       // 弐千弐拾六, as amounts are written
};

// A kanji numeral as decimal digits: place words (十百千 and 万億兆京, in
// descending order), digit by digit (〇一二…, leading zeros kept), 大字
// (壱弐参拾萬…) and Arabic digits mixed with place words (3万5千, 1,000万).
// Nothing when it is no well-formed numeral or exceeds 64 bits.
std::optional<std::string> parseKanjiNumeral(std::string_view numeral);
// n in kanji; PlaceWords and Daiji take n up to INT64_MAX.
std::string formatKanjiNumeral(std::uint64_t n, KanjiStyle style);

// What counts as a numeral in running text (and what is left alone) is said
// where these are defined.
Text kanjiToDigits(std::string_view text);
Text kanjiToDigitsGrouped(std::string_view text);  // 1,000,000
Text digitsToKanji(std::string_view text);
Text digitsToKanjiDigitwise(std::string_view text);
Text digitsToDaiji(std::string_view text);

}  // namespace kk::convert
