#include "convert/kana_width.h"

#include "platform/text_codec.h"
#include "regex/operations.h"

#include <gtest/gtest.h>

#include <random>

namespace kk::convert {
namespace {

TEST(KanaWidth, HalfToFull) {
    struct { const char* in; const char* out; } cases[] = {
        {"ｶﾞｷﾞｸﾞ", "ガギグ"}, {"ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ", "パピプペポ"}, {"ｳﾞ", "ヴ"},
        {"ｱﾞ", "ア゛"}, {"ﾟ", "゜"}, {"ｧｨｩｪｫｯｬｭｮ", "ァィゥェォッャュョ"}, {"｡､｢｣･ｰ", "。、「」・ー"},
        {"ｦﾝ", "ヲン"}, {"abc ひらがな 漢字 123", "abc ひらがな 漢字 123"}, {"ｶﾞﾞ", "ガ゛"},
    };
    for (const auto& c : cases) EXPECT_EQ(hankakuToZenkaku2(c.in), c.out) << c.in;
}

TEST(KanaWidth, FullToHalf) {
    struct { const char* in; const char* out; } cases[] = {
        {"ガ", "ｶﾞ"}, {"ヴ", "ｳﾞ"}, {"ヮヰヱヵヶ", "ヮヰヱヵヶ"}, {"゛", "ﾞ"}, {"ヷ", "ヷ"},
        {"カタカナ。", "ｶﾀｶﾅ｡"}, {"ひらがな abc", "ひらがな abc"},
    };
    for (const auto& c : cases) EXPECT_EQ(zenkakuToHankaku(c.in), c.out) << c.in;
}

// The one-pass converters must equal the table's 26 pair commands followed
// by its translation command, run through our regex layer.
std::string viaCommands(std::string text, bool toFull) {
    for (const auto& p : kKanaPairs) {
        const std::string cmd = toFull ? std::string("s/") + p.half + "/" + p.full + "/gk"
                                       : std::string("s/") + p.full + "/" + p.half + "/gk";
        text = regex::xsed(cmd, text).value();
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
