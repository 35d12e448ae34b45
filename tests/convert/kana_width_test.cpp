#include "convert/kana_width.h"

#include "core/text_codec.h"
#include "regex/operations.h"

#include <gtest/gtest.h>

#include <random>

namespace kk::convert {
namespace {

TEST(KanaWidth, HalfToFull) {
    struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"ｶﾞｷﾞｸﾞ", "ガギグ"},
        {"ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ", "パピプペポ"},
        {"ｳﾞ", "ヴ"},
        {"ｱﾞ", "ア゛"},
        {"ﾟ", "゜"},
        {"ｧｨｩｪｫｯｬｭｮ", "ァィゥェォッャュョ"},
        {"｡､｢｣･ｰ", "。、「」・ー"},
        {"ｦﾝ", "ヲン"},
        {"abc ひらがな 漢字 123", "abc ひらがな 漢字 123"},
        {"ｶﾞﾞ", "ガ゛"},
    };
    for (const auto& c : cases) EXPECT_EQ(hankakuToZenkaku2(c.in), c.out) << c.in;
}

TEST(KanaWidth, FullToHalf) {
    struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"ガ", "ｶﾞ"},
        {"ヴ", "ｳﾞ"},
        {"ヮヰヱヵヶ", "ヮヰヱヵヶ"},
        {"゛", "ﾞ"},
        {"ヷ", "ヷ"},
        {"カタカナ。", "ｶﾀｶﾅ｡"},
        {"ひらがな abc", "ひらがな abc"},
    };
    for (const auto& c : cases) EXPECT_EQ(zenkakuToHankaku(c.in), c.out) << c.in;
}

// The one-pass converters must equal the table's 26 pair commands followed
// by its translation command, run through our regex layer.
std::string viaCommands(std::string text, bool toFull) {
    for (const auto& p : kKanaPairs) {
        const std::string cmd = toFull ? std::string("s/") + p.half + "/" + p.full + "/gk"
                                       : std::string("s/") + p.full + "/" + p.half + "/gk";
        text = regex::xRep(cmd, text).value();
    }
    const std::string tr = toFull ? std::string("tr/") + kHalfWidthList + "/" + kFullWidthList + "/gk"
                                  : std::string("tr/") + kFullWidthList + "/" + kHalfWidthList + "/gk";
    return regex::xtrans(tr, text).value();
}

TEST(KanaWidth, EqualsTheCommandTables) {
    EXPECT_EQ(codePointCount(kHalfWidthList), 68);
    EXPECT_EQ(codePointCount(kFullWidthList), 68);
    std::u32string alphabet;
    for (char32_t c = 0xFF61; c <= 0xFF9F; ++c) alphabet.push_back(c);
    for (char32_t c = 0x30A1; c <= 0x30FC; ++c) alphabet.push_back(c);
    for (char32_t c : U"゛゜。、「」・あかa1 \r\n漢🙂") alphabet.push_back(c);
    std::mt19937 rng(42);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        const int len = static_cast<int>(rng() % 60);
        for (int i = 0; i < len; ++i) appendUtf8(text, alphabet[rng() % alphabet.size()]);
        // Now and then a byte that is no UTF-8, or a sequence cut short: passed through.
        if (round % 7 == 0) text.insert(text.size() / 2, round % 2 ? "\xE3\x82" : "\xEF\xBE");
        EXPECT_EQ(hankakuToZenkaku2(text), viaCommands(text, true)) << text;
        EXPECT_EQ(zenkakuToHankaku(text), viaCommands(text, false)) << text;
    }
}

TEST(KanaWidth, HalfWidthTextRoundTrips) {
    std::string text;
    for (char32_t c = 0xFF61; c <= 0xFF9F; ++c) appendUtf8(text, c);
    text += "ｱﾞｲﾟﾞ";
    EXPECT_EQ(zenkakuToHankaku(hankakuToZenkaku2(text)), text);
}

}  // namespace
}  // namespace kk::convert

#include "convert/case_width.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>

namespace kk::convert {
namespace {

// Every code point of the half-width and full-width forms block converts as
// the Unicode data's <wide> and <narrow> mappings say, both ways, but for
// the rules that are ours: the backslash and "￥" stay (their fix-ups decide),
// and a lone ﾞ or ﾟ becomes the spacing ゛ or ゜.
TEST(Width, WholeBlockFollowsTheUnicodeData) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfkd = icu::Normalizer2::getNFKDInstance(status);
    ASSERT_TRUE(U_SUCCESS(status));
    int checked = 0;
    for (char32_t c = 0xFF00; c < 0xFFF0; ++c) {
        const auto type = u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_DECOMPOSITION_TYPE);
        icu::UnicodeString to;
        if ((type != U_DT_WIDE && type != U_DT_NARROW) || !nfkd->getRawDecomposition(static_cast<UChar32>(c), to))
            continue;
        std::string self, other;
        appendUtf8(self, c);
        to.toUTF8String(other);
        const std::string& full = type == U_DT_WIDE ? self : other;
        const std::string& half = type == U_DT_WIDE ? other : self;
        if (c == 0xFF9E || c == 0xFF9F) {
            EXPECT_EQ(toFullWidth(self), c == 0xFF9E ? "゛" : "゜");
            EXPECT_EQ(toHalfWidth(c == 0xFF9E ? "゛" : "゜"), self);
        } else if (c == 0xFFE5) {
            EXPECT_EQ(toHalfWidth(full), full);  // "￥" stays
        } else if (c == 0xFF3C) {
            EXPECT_EQ(toFullWidth(half), half);  // the backslash stays
        } else {
            EXPECT_EQ(toFullWidth(half), full) << "U+" << std::hex << static_cast<std::uint32_t>(c);
            EXPECT_EQ(toHalfWidth(full), half) << "U+" << std::hex << static_cast<std::uint32_t>(c);
        }
        ++checked;
    }
    EXPECT_GT(checked, 220);
    // Kana with their voiced marks compose, both ways.
    EXPECT_EQ(toFullWidth("ｶﾞﾊﾟ ﾞ"), "ガパ　゛");
    EXPECT_EQ(toHalfWidth("ガパ"), "ｶﾞﾊﾟ");
}

}  // namespace
}  // namespace kk::convert
