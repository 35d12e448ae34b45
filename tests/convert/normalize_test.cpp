// The normalisation steps: each changes what it names and nothing else, and
// a second pass changes nothing more.
#include "convert/cp932_safety.h"
#include "convert/normalize.h"
#include "convert/registry.h"
#include "core/text_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace kk::convert {
namespace {

using Step = Text (*)(std::string_view);

struct Case {
    Step step;
    const char* in;
    const char* out;
};

TEST(Normalize, EachStepChangesOnlyWhatItNames) {
    const Case cases[] = {
        // Letters and digits only: kana, symbols and the ideographic space stay.
        {alphanumericsToHalfWidth, "ＡＢＣ１２３ａｚ　ガｶﾞ！＃～", "ABC123az　ガｶﾞ！＃～"},
        {symbolsToHalfWidth, "！＃（）［］｛｝～　Ａ１、。", "!#()[]{}~　Ａ１、。"},
        {ideographicSpaceToSpace, "山田　太郎 x", "山田 太郎 x"},
        {spaceToIdeographicSpace, "山田 太郎　x", "山田　太郎　x"},
        // Between kana a dash is the long-vowel mark; between ASCII letters or
        // digits a hyphen; elsewhere it stays, and so does a run of dashes.
        {unifyDashes, "ア‐イ コ−ヒ ラ—メン ｺｰﾋ ｺ-ﾋ A—1 x–y 1ー2", "アーイ コーヒ ラーメン ｺｰﾋ ｺｰﾋ A-1 x-y 1-2"},
        {unifyDashes, "-ア- 東—京 ア——イ A - B ア-1 -", "-ア- 東—京 ア——イ A - B ア-1 -"},
        {waveDashToFullwidthTilde, "9時〜17時～", "9時～17時～"},
        {fullwidthTildeToWaveDash, "9時～17時〜~", "9時〜17時〜~"},
        {expandEnclosed, "①⑴⒈㈱㍻㌔㊤Ⓐ🄰ＡＢ・ｶ", "1(1)1.(株)平成キロ上AAＡＢ・ｶ"},
        {toNfkc, "ＡＢ１ｶﾞ①㍻ ﬁ", "AB1ガ1平成 fi"},
        {toNfc, "か\xE3\x82\x99ＡＢ①", "がＡＢ①"},
        {toOfficialPunctuation, "一，二．三、四。", "一、二。三、四。"},
        {toAcademicPunctuation, "一、二。三，四．", "一，二．三，四．"},
        // Old forms the list gives, the compatibility ideographs among them;
        // variants it does not give (峯, 禦, 髙) and current forms stay.
        {oldFormsToCurrent, "舊字體の國學、辯論と花瓣、侮る。峯禦髙國", "旧字体の国学、弁論と花弁、侮る。峯禦髙国"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(c.step(c.in), c.out);
    }
}

// A step applied to its own result changes nothing more, over random text
// drawn from the characters the steps touch and their neighbours.
TEST(Normalize, ASecondPassChangesNothing) {
    const char32_t pool[] = {U'ア', U'イ', U'ｺ', U'ﾋ', U'あ', U'東', U'A', U'z', U'1', U'-', 0x2010, 0x2014, 0x2212,
                             0xFF70, 0x30FC, U' ', 0x3000, U'Ａ', U'１', U'！', U'～', 0x301C, U'①', U'㈱', U'㍻',
                             U'，', U'．', U'、', U'。', U'\n', 0x3099, U'か', U'國', U'国', 0xFA30};
    const Step steps[] = {alphanumericsToHalfWidth, symbolsToHalfWidth, ideographicSpaceToSpace,
                          spaceToIdeographicSpace, unifyDashes, waveDashToFullwidthTilde, fullwidthTildeToWaveDash,
                          expandEnclosed, toNfkc, toNfc, toOfficialPunctuation, toAcademicPunctuation,
                          oldFormsToCurrent};
    std::mt19937 random(20261209);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pool) - 1), length(0, 40);
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        for (std::size_t n = length(random); n > 0; --n) appendUtf8(text, pool[pick(random)]);
        for (Step step : steps) {
            const Text once = step(text);
            EXPECT_EQ(step(once), once) << text;
        }
    }
}

// Every pair of the table converts, each to a jōyō kanji that the step
// leaves alone; a thousand random kanji outside the table stay as they are.
TEST(Normalize, OldFormsOnlyFromTheTable) {
    std::set<char32_t> olds;
    for (const KanjiForms& p : oldFormPairs()) {
        std::string one, current;
        appendUtf8(one, p.old);
        appendUtf8(current, p.current);
        EXPECT_EQ(oldFormsToCurrent(one), current) << one;
        EXPECT_EQ(oldFormsToCurrent(current), current) << current;
        EXPECT_TRUE(olds.empty() || *olds.rbegin() < p.old) << one << ": the table is sorted, each once";
        olds.insert(p.old);
    }
    EXPECT_GT(olds.size(), 350u);
    std::mt19937 random(369);
    std::uniform_int_distribution<char32_t> kanji(0x4E00, 0x9FFF);
    for (int n = 0; n < 1000;) {
        const char32_t c = kanji(random);
        if (olds.count(c)) continue;
        std::string one;
        appendUtf8(one, c);
        EXPECT_EQ(oldFormsToCurrent(one), one) << one;
        ++n;
    }
}

TEST(Normalize, InTheRegistryUnderTheirNames) {
    for (const char* name : {"alnum-to-halfwidth", "symbols-to-halfwidth", "ideographic-space-to-space",
                             "space-to-ideographic-space", "unify-dashes", "wave-dash-to-tilde", "tilde-to-wave-dash",
                             "expand-enclosed", "old-to-new-kanji", "nfkc", "nfc", "to-official-punctuation", "to-academic-punctuation"}) {
        const Conversion* c = findConversion(name);
        ASSERT_NE(c, nullptr) << name;
        EXPECT_EQ(c->group, ConversionGroup::Normalize) << name;
    }
    // Bytes that are no UTF-8 pass through a step untouched.
    const auto r = applyConversion(*findConversion("alnum-to-halfwidth"), "Ａ\xff\xfeＢ");
    ASSERT_TRUE(r);
    EXPECT_EQ(r.value(), "A\xff\xfe" "B");
}

}  // namespace
}  // namespace kk::convert

namespace kk::convert {
namespace {

// CP932's own mapping: what it holds stays, what it lacks is marked or,
// where Windows has a counterpart, replaced.
TEST(Cp932Safety, MarksAndReplacesWhatCp932Lacks) {
    EXPECT_EQ(markNonCp932("9時〜5時－～①㈱ 𠮷野家 é"), "9時〔〜 U+301C〕5時－～①㈱ 〔𠮷 U+20BB7〕野家 〔é U+00E9〕");
    EXPECT_EQ(toCp932Safe("9時〜5時 −3 ‖ — ¢£¬ 𠮷 é"), "9時～5時 －3 ∥ ― ￠￡￢ 𠮷 é");
    for (const char32_t c : {U'～', U'－', U'∥', U'―', U'￠', U'①', U'㈱', U'髙', U'ｱ'}) EXPECT_TRUE(inCp932(c));
    for (const char32_t c : {U'〜', U'−', U'‖', U'—', U'é', U'😀', char32_t{0x20BB7}, char32_t{0x0301}})
        EXPECT_FALSE(inCp932(c));
    // Whatever the replacing step leaves is what the marking step marks.
    const Text safe = toCp932Safe("〜−‖—¢£¬¦");
    EXPECT_EQ(markNonCp932(safe), safe);
}

}  // namespace
}  // namespace kk::convert
