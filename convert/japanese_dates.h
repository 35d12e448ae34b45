// Dates between the Gregorian calendar and the Japanese eras (明治 to 令和),
// converted in place in the text's own style.
#pragma once

#include "core/result.h"

#include <optional>
#include <string_view>

namespace kk::convert {

struct EraDate {
    int era = 0;   // index into eraNames(): 0 明治 … 4 令和
    int year = 0;  // 1 is 元年
};

// 明治, 大正, 昭和, 平成, 令和.
std::string_view eraName(int era);
int eraCount();

// The era in force on a Gregorian date; nothing before 1873-01-01 (Japan's
// dates before then are lunisolar, so no day of ours names them) or for an
// impossible date.
std::optional<EraDate> toEra(int year, int month, int day);
// The Gregorian year of an era year; nothing when the era never reached it.
std::optional<int> gregorianYear(EraDate date);

// 2026年12月8日 → 令和8年12月8日, 2026/12/8 → R8/12/8. A year alone or a year
// and month takes the era in force on its last day (2019年 → 令和元年);
// a year alone from 1868 on, a month or day from 1873 on.
Text toJapaneseEra(std::string_view text);
// 令和8年12月8日 → 2026年12月8日, R8.12.8 → 2026.12.8, 令和元年 → 2019年.
// A date its era never saw (平成31年5月1日, H32) is left as it is.
Text toGregorian(std::string_view text);

}  // namespace kk::convert
