#include "convert/japanese_dates.h"

#include <gtest/gtest.h>

#include <unicode/calendar.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <memory>
#include <random>

namespace kk::convert {
namespace {

// Each era's first day and the day before it, computed by hand from the
// proclamations.
TEST(Era, Boundaries) {
    struct {
        int y, m, d;
        const char* era;
        int year;
    } cases[] = {
        {1873, 1, 1, "明治", 6},     {1912, 7, 29, "明治", 45}, {1912, 7, 30, "大正", 1},
        {1926, 12, 24, "大正", 15},  {1926, 12, 25, "昭和", 1}, {1989, 1, 7, "昭和", 64},
        {1989, 1, 8, "平成", 1},     {2019, 4, 30, "平成", 31}, {2019, 5, 1, "令和", 1},
        {2026, 12, 8, "令和", 8},
    };
    for (const auto& c : cases) {
        const auto e = toEra(c.y, c.m, c.d);
        ASSERT_TRUE(e) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(eraName(e->era), c.era) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(e->year, c.year) << c.y << "-" << c.m << "-" << c.d;
    }
    EXPECT_FALSE(toEra(1872, 12, 31));  // lunisolar days
    EXPECT_FALSE(toEra(2026, 2, 29));
}

// Every day from 1873 to 2100 against ICU's Japanese calendar, and through
// the text both ways.
TEST(Era, EveryDayAgreesWithIcuAndRoundTrips) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> japanese(
        icu::Calendar::createInstance(icu::TimeZone::getGMT()->clone(), icu::Locale("ja_JP@calendar=japanese"), status));
    icu::GregorianCalendar gregorian(icu::TimeZone::getGMT()->clone(), status);
    ASSERT_TRUE(U_SUCCESS(status));
    gregorian.clear();
    gregorian.set(1873, UCAL_JANUARY, 1);
    const int meiji = [&] {
        japanese->setTime(gregorian.getTime(status), status);
        return japanese->get(UCAL_ERA, status);
    }();
    std::mt19937 rng(5);
    int days = 0;
    while (gregorian.get(UCAL_YEAR, status) <= 2100) {
        const int y = gregorian.get(UCAL_YEAR, status), m = gregorian.get(UCAL_MONTH, status) + 1,
                  d = gregorian.get(UCAL_DATE, status);
        japanese->setTime(gregorian.getTime(status), status);
        const auto e = toEra(y, m, d);
        ASSERT_TRUE(e);
        ASSERT_EQ(e->era, japanese->get(UCAL_ERA, status) - meiji) << y << "-" << m << "-" << d;
        ASSERT_EQ(e->year, japanese->get(UCAL_YEAR, status)) << y << "-" << m << "-" << d;
        if (rng() % 20 == 0) {  // the text path is slower: a sample of days
            const std::string written = std::to_string(y) + "年" + std::to_string(m) + "月" + std::to_string(d) + "日";
            const std::string slashed = std::to_string(y) + "/" + std::to_string(m) + "/" + std::to_string(d);
            EXPECT_EQ(toGregorian(toJapaneseEra(written)), written);
            EXPECT_EQ(toGregorian(toJapaneseEra(slashed)), slashed);
            EXPECT_NE(toJapaneseEra(written), written);
        }
        gregorian.add(UCAL_DATE, 1, status);
        ++days;
    }
    ASSERT_TRUE(U_SUCCESS(status));
    EXPECT_GT(days, 83000);
}

TEST(Era, InRunningText) {
    struct {
        const char* in;
        const char* out;
    } toEraCases[] = {
        {"2026年12月8日に", "令和8年12月8日に"},
        {"2026/12/8と2026-12-08と2026.12.8", "R8/12/8とR8-12-08とR8.12.8"},
        {"２０２６年１２月８日", "令和８年１２月８日"},
        {"1989年1月7日、1989年1月8日", "昭和64年1月7日、平成元年1月8日"},
        {"2019年4月30日、2019年5月1日", "平成31年4月30日、令和元年5月1日"},
        // A year alone or a month takes the era of its last day.
        {"2019年、2019年4月、1989年1月、2026年度", "令和元年、平成31年4月、平成元年1月、令和8年度"},
        {"1868年、1870年", "明治元年、明治3年"},
        // Before 明治, and days before 1873, stay; so do impossible dates and codes.
        {"1800年、1870年5月、1872/12/31", "1800年、1870年5月、1872/12/31"},
        {"2026年2月30日、2026/13/1、12026年", "2026年2月30日、2026/13/1、12026年"},
        {"v2026.12.8、2026/12/8/1、2026.12.8.1", "v2026.12.8、2026/12/8/1、2026.12.8.1"},
        {"2026/12-8", "2026/12-8"},
        {"2026年12月8日\r\n", "令和8年12月8日\r\n"},
    };
    for (const auto& c : toEraCases) EXPECT_EQ(toJapaneseEra(c.in), c.out) << c.in;

    struct {
        const char* in;
        const char* out;
    } toGregorianCases[] = {
        {"令和8年12月8日に", "2026年12月8日に"},
        {"令和元年5月1日、令和元年", "2019年5月1日、2019年"},
        {"R8.12.8、H31.4.30、S64/1/7、T1-07-30", "2026.12.8、2019.4.30、1989/1/7、1912-07-30"},
        {"令和８年１２月８日、Ｒ８．１２．８", "２０２６年１２月８日、２０２６．１２．８"},
        {"昭和64年1月7日、平成元年1月8日", "1989年1月7日、1989年1月8日"},
        {"明治元年、明治45年7月29日", "1868年、1912年7月29日"},
        // Dates their era never saw stay.
        {"平成31年5月1日、H31.5.1、平成32年、昭和64年1月8日", "平成31年5月1日、H31.5.1、平成32年、昭和64年1月8日"},
        {"令和0年、令和8年13月、令和8年2月30日", "令和0年、令和8年13月、令和8年2月30日"},
        {"明治5年3月1日、大正元年7月29日", "明治5年3月1日、大正元年7月29日"},
        {"HR8.12.8、R8.12.8.1", "HR8.12.8、R8.12.8.1"},
    };
    for (const auto& c : toGregorianCases) EXPECT_EQ(toGregorian(c.in), c.out) << c.in;
}

// The era's first year both ways: 元年 out, 元年 and 1年 in.
TEST(Era, FirstYear) {
    EXPECT_EQ(toJapaneseEra("2019年5月1日"), "令和元年5月1日");
    EXPECT_EQ(toGregorian("令和元年5月1日"), "2019年5月1日");
    EXPECT_EQ(toGregorian("令和1年5月1日"), "2019年5月1日");
    EXPECT_EQ(toJapaneseEra("2019/5/1"), "R1/5/1");
    for (int era = 0; era < eraCount(); ++era) {
        const std::string first = std::string(eraName(era)) + "元年";
        EXPECT_EQ(toJapaneseEra(toGregorian(first)), first);
    }
}

}  // namespace
}  // namespace kk::convert
