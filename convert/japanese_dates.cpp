// Dates are found with PCRE2 and checked against the era table before any
// change: a string that only looks like a date stays as it is.
#include "convert/japanese_dates.h"

#include "regex/pattern.h"

#include <array>
#include <functional>
#include <memory>
#include <tuple>

namespace kk::convert {

namespace {

struct Era {
    std::string_view name;
    std::string_view letter;      // R8.12.8
    std::string_view wideLetter;  // Ｒ８．１２．８
    int year, month, day;         // its first day
};
// 明治's first day counts for whole years only: its dates before 1873 are
// lunisolar and are never converted.
constexpr std::array<Era, 5> kEras = {{
    {"明治", "M", "Ｍ", 1868, 1, 1},
    {"大正", "T", "Ｔ", 1912, 7, 30},
    {"昭和", "S", "Ｓ", 1926, 12, 25},
    {"平成", "H", "Ｈ", 1989, 1, 8},
    {"令和", "R", "Ｒ", 2019, 5, 1},
}};
constexpr int kFirstGregorianYear = 1873;

using Day = std::tuple<int, int, int>;
Day startOf(const Era& e) { return {e.year, e.month, e.day}; }

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int daysIn(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : kDays[m - 1];
}
bool validDay(int y, int m, int d) { return y >= 1 && m >= 1 && m <= 12 && d >= 1 && d <= daysIn(y, m); }

int eraOn(const Day& day) {
    int era = -1;
    for (int i = 0; i < static_cast<int>(kEras.size()); ++i)
        if (startOf(kEras[static_cast<std::size_t>(i)]) <= day) era = i;
    return era;
}

// A number written in ASCII or full-width digits.
struct Number {
    int value = -1;
    bool wide = false;
};
Number numberOf(std::string_view s) {
    Number n{0, false};
    for (std::size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            n.value = n.value * 10 + (s[i] - '0');
            ++i;
        } else {  // ０-９: EF BC 90-99
            n.value = n.value * 10 + (static_cast<unsigned char>(s[i + 2]) - 0x90);
            n.wide = true;
            i += 3;
        }
    }
    return n;
}
std::string digitsOf(int value, bool wide) {
    const std::string ascii = std::to_string(value);
    if (!wide) return ascii;
    std::string out;
    for (const char c : ascii) out += std::string("\xEF\xBC") + static_cast<char>(0x90 + (c - '0'));
    return out;
}

// Every match of `pattern` in `text` replaced by what `replace` makes of its
// groups; a match it declines stays as it is. Each thread compiles each
// pattern once (`compiled` is the call site's own).
using Groups = std::function<std::string_view(int)>;
Text replaceEach(std::string_view text, std::unique_ptr<regex::Pattern>& compiled, std::string_view pattern,
                 const std::function<std::optional<std::string>(const Groups&)>& replace) {
    if (!compiled) {
        auto made = regex::Pattern::compile(pattern, regex::Options{});
        if (!made) return std::string(text);
        compiled = std::move(made.value());
    }
    regex::Pattern& p = *compiled;
    std::string out;
    std::size_t copied = 0, from = 0;
    while (from < text.size() && p.match(text, from) == regex::MatchStatus::Found) {
        const auto [start, end] = p.group(0);
        const Groups groups = [&p, text](int n) {
            const auto [s, e] = p.group(n);
            return s == std::string_view::npos ? std::string_view{} : text.substr(s, e - s);
        };
        if (auto replacement = replace(groups)) {
            out.append(text.substr(copied, start - copied));
            out += *replacement;
            copied = end;
        }
        from = end > start ? end : end + 1;
    }
    if (copied == 0) return std::string(text);
    out.append(text.substr(copied));
    return out;
}

}  // namespace

#define KK_DIGIT "[0-9０-９]"
#define KK_SEPARATOR "[/.\\-／．－]"

std::string_view eraName(int era) { return kEras[static_cast<std::size_t>(era)].name; }
int eraCount() { return static_cast<int>(kEras.size()); }

std::optional<EraDate> toEra(int year, int month, int day) {
    if (!validDay(year, month, day) || year < kFirstGregorianYear) return std::nullopt;
    const int era = eraOn({year, month, day});
    return EraDate{era, year - kEras[static_cast<std::size_t>(era)].year + 1};
}

std::optional<int> gregorianYear(EraDate date) {
    if (date.era < 0 || date.era >= eraCount() || date.year < 1) return std::nullopt;
    const int year = kEras[static_cast<std::size_t>(date.era)].year + date.year - 1;
    // An era ends in the year the next one begins.
    if (date.era + 1 < eraCount() && year > kEras[static_cast<std::size_t>(date.era) + 1].year) return std::nullopt;
    return year;
}

namespace {

// The era for a year, a year and month, or a day (0 for what is missing).
std::optional<EraDate> eraOfWritten(int year, int month, int day) {
    if (day > 0) return toEra(year, month, day);
    if (month > 0) {
        if (year < kFirstGregorianYear || month > 12) return std::nullopt;
        return toEra(year, month, daysIn(year, month));
    }
    if (year < kEras[0].year) return std::nullopt;
    const int era = eraOn({year, 12, 31});
    return EraDate{era, year - kEras[static_cast<std::size_t>(era)].year + 1};
}

// Whether the era saw the Gregorian year, month or day written.
bool eraSaw(int era, int year, int month, int day) {
    const auto e = static_cast<std::size_t>(era);
    const Day latest = month == 0 ? Day{year, 12, 31} : Day{year, month, day == 0 ? daysIn(year, month) : day};
    const Day earliest = month == 0 ? Day{year, 1, 1} : Day{year, month, day == 0 ? 1 : day};
    if (month > 0 && year < kFirstGregorianYear) return false;
    if (latest < startOf(kEras[e])) return false;
    return e + 1 == kEras.size() || earliest < startOf(kEras[e + 1]);
}

std::string eraYearText(int year, bool wide) { return year == 1 ? "元" : digitsOf(year, wide); }

// A year written with 年, then the month and day as they were written.
std::string writtenDate(std::string year, std::string_view month, std::string_view day) {
    year += "年";
    if (!month.empty()) year += std::string(month) + "月";
    if (!day.empty()) year += std::string(day) + "日";
    return year;
}

}  // namespace

Text toJapaneseEra(std::string_view text) {
    thread_local std::unique_ptr<regex::Pattern> written, separated;
    // 2026年12月8日, 2026年12月, 2026年
    std::string out = replaceEach(
        text, written, "(?<![0-9０-９])(" KK_DIGIT "{4})年(?:(" KK_DIGIT "{1,2})月(?:(" KK_DIGIT "{1,2})日)?)?",
        [](const Groups& g) -> std::optional<std::string> {
            const Number y = numberOf(g(1)), m = numberOf(g(2)), d = numberOf(g(3));
            if ((!g(2).empty() && (m.value < 1 || m.value > 12)) ||
                (!g(3).empty() && !validDay(y.value, m.value, d.value)))
                return std::nullopt;
            const auto era = eraOfWritten(y.value, g(2).empty() ? 0 : m.value, g(3).empty() ? 0 : d.value);
            if (!era) return std::nullopt;
            return writtenDate(std::string(eraName(era->era)) + eraYearText(era->year, y.wide), g(2), g(3));
        });
    // 2026/12/8, 2026-12-08, 2026.12.8
    return replaceEach(out, separated,
                       "(?<![0-9０-９A-Za-zＡ-Ｚａ-ｚ./\\-／．－])(" KK_DIGIT "{4})(" KK_SEPARATOR ")(" KK_DIGIT
                       "{1,2})\\2(" KK_DIGIT "{1,2})(?!" KK_DIGIT "|" KK_SEPARATOR KK_DIGIT ")",
                       [](const Groups& g) -> std::optional<std::string> {
                           const Number y = numberOf(g(1)), m = numberOf(g(3)), d = numberOf(g(4));
                           const auto era = toEra(y.value, m.value, d.value);
                           if (!era) return std::nullopt;
                           const Era& e = kEras[static_cast<std::size_t>(era->era)];
                           return std::string(y.wide ? e.wideLetter : e.letter) + digitsOf(era->year, y.wide) +
                                  std::string(g(2)) + std::string(g(3)) + std::string(g(2)) + std::string(g(4));
                       });
}

Text toGregorian(std::string_view text) {
    auto eraIndex = [](std::string_view nameOrLetter) {
        for (int i = 0; i < eraCount(); ++i) {
            const Era& e = kEras[static_cast<std::size_t>(i)];
            if (nameOrLetter == e.name || nameOrLetter == e.letter || nameOrLetter == e.wideLetter) return i;
        }
        return -1;
    };
    thread_local std::unique_ptr<regex::Pattern> written, lettered;
    // 令和8年12月8日, 令和元年5月, 令和8年
    std::string out = replaceEach(
        text, written, "(明治|大正|昭和|平成|令和)(" KK_DIGIT "{1,2}|元)年(?:(" KK_DIGIT "{1,2})月(?:(" KK_DIGIT "{1,2})日)?)?",
        [&](const Groups& g) -> std::optional<std::string> {
            const int era = eraIndex(g(1));
            const bool first = g(2) == "元";
            const Number ey = first ? Number{1, numberOf(g(3)).wide} : numberOf(g(2));
            const Number m = numberOf(g(3)), d = numberOf(g(4));
            const auto year = gregorianYear({era, ey.value});
            if (!year) return std::nullopt;
            const int month = g(3).empty() ? 0 : m.value, day = g(4).empty() ? 0 : d.value;
            if ((!g(3).empty() && (month < 1 || month > 12)) || (!g(4).empty() && !validDay(*year, month, day)) ||
                !eraSaw(era, *year, month, day))
                return std::nullopt;
            return writtenDate(digitsOf(*year, ey.wide), g(3), g(4));
        });
    // R8.12.8, H31/4/30, S64-1-7
    return replaceEach(out, lettered,
                       "(?<![0-9０-９A-Za-zＡ-Ｚａ-ｚ])([MTSHRＭＴＳＨＲ])(" KK_DIGIT "{1,2})(" KK_SEPARATOR ")(" KK_DIGIT
                       "{1,2})\\3(" KK_DIGIT "{1,2})(?!" KK_DIGIT "|" KK_SEPARATOR KK_DIGIT ")",
                       [&](const Groups& g) -> std::optional<std::string> {
                           const int era = eraIndex(g(1));
                           const Number ey = numberOf(g(2)), m = numberOf(g(4)), d = numberOf(g(5));
                           const auto year = gregorianYear({era, ey.value});
                           if (!year || !validDay(*year, m.value, d.value) || !eraSaw(era, *year, m.value, d.value))
                               return std::nullopt;
                           return digitsOf(*year, ey.wide) + std::string(g(3)) + std::string(g(4)) +
                                  std::string(g(3)) + std::string(g(5));
                       });
}

}  // namespace kk::convert
