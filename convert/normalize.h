// Normalisation of Japanese text one rule at a time, each its own step: the
// widths of letters, digits and symbols apart, the ideographic space apart,
// dashes by what stands around them, the two wave dashes, the enclosed and
// squared characters, old kanji forms, whole NFKC and NFC, and the two punctuation styles.
#pragma once

#include "core/result.h"

#include <span>
#include <string_view>

namespace kk::convert {

Text alphanumericsToHalfWidth(std::string_view text);  // ０-９Ａ-Ｚａ-ｚ only
Text symbolsToHalfWidth(std::string_view text);        // ！-／：-＠［-｀｛-～ only
Text ideographicSpaceToSpace(std::string_view text);
Text spaceToIdeographicSpace(std::string_view text);
// A dash-like character between two kana becomes ー (ｰ between half-width
// kana), between two ASCII letters or digits "-"; elsewhere it stays.
Text unifyDashes(std::string_view text);
Text waveDashToFullwidthTilde(std::string_view text);  // 〜 → ～ (what CP932 holds)
Text fullwidthTildeToWaveDash(std::string_view text);  // ～ → 〜
// The compatibility forms of the enclosed and squared blocks only:
// ①→1, ⑴→(1), ㈱→(株), ㍻→平成, ㌔→キロ.
Text expandEnclosed(std::string_view text);
Text toNfkc(std::string_view text);
Text toNfc(std::string_view text);
// The old forms the jōyō kanji list gives (國→国, 學→学, 侮 U+FA30→侮), and
// nothing else: other kanji and their variants stay as written.
Text oldFormsToCurrent(std::string_view text);
struct KanjiForms {
    char32_t old;
    char32_t current;
};
std::span<const KanjiForms> oldFormPairs();  // by the old form, for tests
Text toOfficialPunctuation(std::string_view text);  // ，． → 、。
Text toAcademicPunctuation(std::string_view text);  // 、。 → ，．

}  // namespace kk::convert
