#include "convert/japanese_numbers.h"

#include <gtest/gtest.h>

#include <unicode/fieldpos.h>
#include <unicode/locid.h>
#include <unicode/rbnf.h>

#include <random>

namespace kk::convert {
namespace {

TEST(KanjiNumeral, Parses) {
    struct {
        const char* numeral;
        const char* digits;  // "" for no numeral
    } cases[] = {
        {"二千二十六", "2026"},
        {"十", "10"},
        {"十一", "11"},
        {"百一", "101"},
        {"千十", "1010"},
        {"一千", "1000"},
        {"一億二千三百万", "123000000"},
        {"一兆", "1000000000000"},
        {"一京", "10000000000000000"},
        {"二〇二六", "2026"},
        {"〇三", "03"},  // digit by digit keeps leading zeros
        {"壱萬弐千参百四拾伍", "12345"},
        {"壹阡貳佰參拾", "1230"},
        {"3万5千", "35000"},
        {"1億2000万", "120000000"},
        {"1,000万", "10000000"},
        {"１２万", "120000"},
        {"万一", ""},      // no coefficient before 万
        {"二五", "25"},    // digit by digit
        {"二千二六", ""},  // two digits inside place words
        {"千百千", ""},    // places out of order
        {"万億", ""},
        {"十百", ""},
        {"1,00万", ""},  // commas that do not group by three
        {"15千", ""},
        {"2026", ""},  // no kanji
        {"九千九百九十九京", ""},  // beyond 64 bits
        {"一八〇〇京", ""},
    };
    for (const auto& c : cases) {
        const auto got = parseKanjiNumeral(c.numeral);
        if (*c.digits) {
            ASSERT_TRUE(got) << c.numeral;
            EXPECT_EQ(*got, c.digits) << c.numeral;
        } else {
            EXPECT_FALSE(got) << c.numeral << " → " << got.value_or("");
        }
    }
}

// Every style reads back to the number it wrote, and the place-word and 大字
// styles are exactly ICU's Japanese spell-out, called directly.
TEST(KanjiNumeral, WriteThenReadIsTheNumber) {
    UErrorCode status = U_ZERO_ERROR;
    icu::RuleBasedNumberFormat icu(icu::URBNF_SPELLOUT, icu::Locale("ja"), status);
    ASSERT_TRUE(U_SUCCESS(status));
    auto spelt = [&](std::uint64_t n, const char* ruleSet) {
        icu::UnicodeString out;
        icu::FieldPosition position;
        UErrorCode s = U_ZERO_ERROR;
        icu.format(static_cast<std::int64_t>(n), icu::UnicodeString::fromUTF8(ruleSet), out, position, s);
        std::string utf8;
        return out.toUTF8String(utf8);
    };
    std::mt19937_64 rng(33);
    std::vector<std::uint64_t> numbers = {0, 1, 9, 10, 11, 19, 20, 99, 100, 101, 110, 999, 1000, 1001, 9999, 10000,
                                          10001, 100000000, 100010001, 9999999999999999, 10000000000000000};
    for (int i = 0; i < 3000; ++i) {
        // Spread over every magnitude up to 10^16, with runs of zeros inside.
        const int digits = 1 + static_cast<int>(rng() % 17);
        std::uint64_t n = 0;
        for (int d = 0; d < digits; ++d) n = n * 10 + (rng() % 3 == 0 ? 0 : rng() % 10);
        numbers.push_back(n);
    }
    for (const std::uint64_t n : numbers) {
        for (const KanjiStyle style : {KanjiStyle::PlaceWords, KanjiStyle::Digitwise, KanjiStyle::Daiji}) {
            const std::string kanji = formatKanjiNumeral(n, style);
            const auto back = parseKanjiNumeral(kanji);
            ASSERT_TRUE(back) << n << " " << kanji;
            EXPECT_EQ(*back, std::to_string(n)) << kanji;
        }
        EXPECT_EQ(formatKanjiNumeral(n, KanjiStyle::PlaceWords), spelt(n, "%spellout-cardinal")) << n;
        EXPECT_EQ(formatKanjiNumeral(n, KanjiStyle::Daiji), spelt(n, "%spellout-cardinal-financial")) << n;
    }
}

TEST(KanjiToDigits, InRunningText) {
    struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"二千二十六年十二月八日", "2026年12月8日"},
        {"二〇二六年", "2026年"},
        {"一九四五年", "1945年"},
        {"予算は一億二千三百万円です", "予算は123000000円です"},
        {"3万5千人", "35000人"},
        {"壱萬弐千参百四拾伍円", "12345円"},
        {"二十歳と四十九日", "20歳と49日"},
        {"三人で五回、八日に", "3人で5回、8日に"},  // one kanji before a counter
        {"三日月と十人十色、一人一人", "三日月と十人十色、一人一人"},
        // Words that hold a numeral kanji stay.
        {"一つ、一緒に、一部、十分、千葉、東京", "一つ、一緒に、一部、十分、千葉、東京"},
        {"万一の時、万が一", "万一の時、万が一"},
        {"七五三と四六時中、一二年", "七五三と四六時中、一二年"},
        {"八百屋、八百長、五十嵐さん、十二分に", "八百屋、八百長、五十嵐さん、十二分に"},
        {"数十万人、何百回、幾千年", "数十万人、何百回、幾千年"},
        {"1.5万人", "1.5万人"},
        {"v2千", "v2千"},
        {"2026年", "2026年"},  // Arabic digits alone are no kanji numeral
        {"", ""},
        {"十五\r\n二十\n", "15\r\n20\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(kanjiToDigits(c.in), c.out) << c.in;
    EXPECT_EQ(kanjiToDigitsGrouped("一億二千三百万円、十五、二〇二六年"), "123,000,000円、15、2026年");
}

TEST(DigitsToKanji, InRunningText) {
    struct {
        const char* in;
        const char* place;
        const char* digitwise;
        const char* daiji;
    } cases[] = {
        {"2026年", "二千二十六年", "二〇二六年", "弐千弐拾六年"},
        {"12,345円", "一万二千三百四十五円", "一二三四五円", "壱萬弐千参百四拾伍円"},
        {"１００円", "百円", "一〇〇円", "壱百円"},
        {"0", "〇", "〇", "零"},
        {"第3章の10人", "第三章の十人", "第三章の一〇人", "第参章の拾人"},
        // Numbers inside words, codes, versions and phone numbers stay.
        {"ISO9001とISO 9001", "ISO9001とISO 9001", "ISO9001とISO 9001", "ISO9001とISO 9001"},
        {"v1.2.3と3.14", "v1.2.3と3.14", "v1.2.3と3.14", "v1.2.3と3.14"},
        {"03-1234-5678", "03-1234-5678", "03-1234-5678", "03-1234-5678"},
        {"090 1234 5678", "090 1234 5678", "090 1234 5678", "090 1234 5678"},
        {"10:30に#3と-5", "10:30に#3と-5", "10:30に#3と-5", "10:30に#3と-5"},
        {"007とx86とA4", "007とx86とA4", "007とx86とA4", "007とx86とA4"},
        {"1,2", "1,2", "1,2", "1,2"},
        {"99999999999999999999", "99999999999999999999", "99999999999999999999", "99999999999999999999"},
        {"3\r\n", "三\r\n", "三\r\n", "参\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(digitsToKanji(c.in), c.place) << c.in;
        EXPECT_EQ(digitsToKanjiDigitwise(c.in), c.digitwise) << c.in;
        EXPECT_EQ(digitsToDaiji(c.in), c.daiji) << c.in;
    }
}

// Kanji back to digits gives the text that was there, for numbers that stand
// on their own.
TEST(DigitsToKanji, ThereAndBack) {
    std::mt19937 rng(8);
    for (int i = 0; i < 500; ++i) {
        const std::string number = std::to_string(10 + rng() % 100000000);
        const std::string text = "合計" + number + "円です";
        EXPECT_EQ(kanjiToDigits(digitsToKanji(text)), text);
        EXPECT_EQ(kanjiToDigits(digitsToDaiji(text)), text);
        EXPECT_EQ(kanjiToDigits(digitsToKanjiDigitwise(text)), number.size() >= 4 || number.find('0') != std::string::npos
                                                                    ? text
                                                                    : digitsToKanjiDigitwise(text));
    }
}

}  // namespace
}  // namespace kk::convert
