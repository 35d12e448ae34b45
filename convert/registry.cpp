// The conversion table and the slicing runner for text conversions.
#include "convert/registry.h"

#include <algorithm>

#include "convert/case_width.h"
#include "convert/cp932_safety.h"
#include "convert/japanese_dates.h"
#include "convert/japanese_numbers.h"
#include "convert/kana_width.h"
#include "convert/mod_nkf32.h"
#include "convert/mojibake.h"
#include "convert/normalize.h"
#include "convert/reverse_count.h"
#include "core/big_buffer.h"
#include "core/text_codec.h"
#include "regex/operations.h"

#include <array>

namespace kk::convert {

namespace {

template <Text (*F)(std::string_view)>
TextResult always(std::string_view text) {
    return F(text);
}

// A width step, then its fix-up replace for the backslash and "￥".
template <Text (*F)(std::string_view), const char* FixUp>
TextResult withFixUp(std::string_view text) {
    return regex::xRep(FixUp, F(text));
}
constexpr char kYenToBackslash[] = "s/￥/\\\\/gk";  // the replacement is an escaped backslash
constexpr char kBackslashToYen[] = "s/\\\\/￥/gk";  // the pattern is an escaped backslash

using G = ConversionGroup;
using K = ConversionKind;

constexpr Conversion text(std::string_view label, std::string_view name, std::string_view caption,
                          std::string_view item, G group, TextResult (*apply)(std::string_view), bool lineLocal) {
    return Conversion{label, name, caption, item, group, K::Text, apply, {}, false, lineLocal};
}
constexpr Conversion filter(std::string_view label, std::string_view name, std::string_view caption,
                            std::string_view item, G group, K kind, std::string_view command) {
    return Conversion{label, name, caption, item, group, kind, nullptr, command, false, false};
}
constexpr Conversion duplicates(std::string_view label, std::string_view name, std::string_view item, bool extracting) {
    return Conversion{label, name, label, item, G::Duplicates, K::Duplicates, nullptr, {}, extracting, false};
}

const std::array kTable = {
    text("ｶﾀｶﾅをカタカナに", "hankaku-to-zenkaku", "ｶﾀｶﾅをカタカナに", "MenuHK2ZK", G::Characters,
         &always<hankakuToZenkaku2>, true),
    text("カタカナをｶﾀｶﾅに", "zenkaku-to-hankaku", "カタカナをｶﾀｶﾅに", "MenuZK2HK", G::Characters,
         &always<zenkakuToHankaku>, true),
    text("全角を半角に", "to-half-width", "全角を半角に", "MenuZ2H", G::Characters,
         &withFixUp<toHalfWidth, kYenToBackslash>, true),
    text("半角を全角に", "to-full-width", "半角を全角に", "MenuH2Z", G::Characters,
         &withFixUp<toFullWidth, kBackslashToYen>, true),
    text("単語先頭を大文字に", "capitalize-words", "単語先頭を大文字に", "MenuACap", G::Characters,
         &always<toWordCapitals>, true),
    text("大文字に変換", "upper", "大文字に変換", "MenuOmoji", G::Characters, &always<toUpperCase>, true),
    text("小文字に変換", "lower", "小文字に変換", "MenuKomoji", G::Characters, &always<toLowerCase>, true),
    text("ひらがなをカタカナに", "hiragana-to-katakana", "ひらがなをカタカナに", "MenuHira2Kana", G::Characters,
         &always<hiraganaToKatakana>, true),
    text("カタカナをひらがなに", "katakana-to-hiragana", "カタカナをひらがなに", "MenuKana2Hira", G::Characters,
         &always<katakanaToHiragana>, true),
    text("文字反転", "reverse", "文字反転", "MenuXrev", G::Characters, &always<xrev>, true),
    text("全角英数字を半角に", "alnum-to-halfwidth", "全角英数字を半角に（Ａ１→A1、ほかはそのまま）", "MenuNormAlnum",
         G::Normalize, &always<alphanumericsToHalfWidth>, true),
    text("全角記号を半角に", "symbols-to-halfwidth", "全角記号を半角に（！？＃→!?#）", "MenuNormSymbol", G::Normalize,
         &always<symbolsToHalfWidth>, true),
    text("全角スペースを半角に", "ideographic-space-to-space", "全角スペースを半角スペースに", "MenuNormSpaceHalf",
         G::Normalize, &always<ideographicSpaceToSpace>, true),
    text("半角スペースを全角に", "space-to-ideographic-space", "半角スペースを全角スペースに", "MenuNormSpaceFull",
         G::Normalize, &always<spaceToIdeographicSpace>, true),
    text("ダッシュと長音を整える", "unify-dashes", "ダッシュと長音を前後で整える（ア‐イ→アーイ、A—1→A-1）",
         "MenuNormDash", G::Normalize, &always<unifyDashes>, true),
    text("波ダッシュを全角チルダに", "wave-dash-to-tilde", "〜 を ～ に（CP932 のソフト向け）", "MenuNormWaveToTilde",
         G::Normalize, &always<waveDashToFullwidthTilde>, true),
    text("全角チルダを波ダッシュに", "tilde-to-wave-dash", "～ を 〜 に", "MenuNormTildeToWave", G::Normalize,
         &always<fullwidthTildeToWaveDash>, true),
    text("囲み文字を展開", "expand-enclosed", "囲み文字・組文字を展開（①→1、㈱→(株)、㍻→平成）", "MenuNormEnclosed",
         G::Normalize, &always<expandEnclosed>, true),
    // One decision for the whole text, as for any input's encoding.
    text("文字化け修復", "repair-mojibake", "文字化け修復（Shift_JIS・EUC-JP・UTF-8 の読み違いを直す）",
         "MenuRepairMojibake", G::Normalize, &repairMojibake, false),
    text("CP932にない文字に印", "mark-non-cp932", "CP932 にない文字に印をつける（〜→〔〜 U+301C〕）", "MenuMarkNonCp932",
         G::Normalize, &always<markNonCp932>, true),
    text("CP932にない文字を置き換え", "to-cp932-safe", "CP932 にない文字を置き換える（〜→～、−→－、‖→∥）",
         "MenuCp932Safe", G::Normalize, &always<toCp932Safe>, true),
    text("旧字体を新字体に", "old-to-new-kanji", "旧字体を新字体に（常用漢字表の旧字体だけ: 國→国、學→学）",
         "MenuNormKyujitai", G::Normalize, &always<oldFormsToCurrent>, true),
    text("NFKC", "nfkc", "NFKC 正規化（互換文字をすべて）", "MenuNormNfkc", G::Normalize, &always<toNfkc>, true),
    text("NFC", "nfc", "NFC 正規化", "MenuNormNfc", G::Normalize, &always<toNfc>, true),
    text("句読点を、。に", "to-official-punctuation", "，． を 、。 に", "MenuNormOfficialPunct", G::Normalize,
         &always<toOfficialPunctuation>, true),
    text("句読点を，．に", "to-academic-punctuation", "、。 を ，． に", "MenuNormAcademicPunct", G::Normalize,
         &always<toAcademicPunctuation>, true),
    text("漢数字を算用数字に", "kanji-to-digits", "漢数字を算用数字に（二千二十六→2026）", "MenuKan2Num",
         G::NumbersDates, &always<kanjiToDigits>, true),
    text("漢数字を算用数字に（3桁区切り）", "kanji-to-digits-grouped", "漢数字を算用数字に（3桁区切り: 1,000,000）",
         "MenuKan2NumComma", G::NumbersDates, &always<kanjiToDigitsGrouped>, true),
    text("算用数字を漢数字に", "digits-to-kanji", "算用数字を漢数字に（2026→二千二十六）", "MenuNum2Kan",
         G::NumbersDates, &always<digitsToKanji>, true),
    text("算用数字を漢数字に（一字ずつ）", "digits-to-kanji-digitwise", "算用数字を漢数字に（2026→二〇二六）",
         "MenuNum2KanDigit", G::NumbersDates, &always<digitsToKanjiDigitwise>, true),
    text("算用数字を大字に", "digits-to-daiji", "算用数字を大字に（12345→壱萬弐千参百四拾伍）", "MenuNum2Daiji",
         G::NumbersDates, &always<digitsToDaiji>, true),
    text("西暦を和暦に", "to-japanese-era", "西暦を和暦に（2026年12月8日→令和8年12月8日）", "MenuSeireki2Wareki",
         G::NumbersDates, &always<toJapaneseEra>, true),
    text("和暦を西暦に", "to-gregorian", "和暦を西暦に（令和8年12月8日→2026年12月8日）", "MenuWareki2Seireki",
         G::NumbersDates, &always<toGregorian>, true),
    // A mail header folds over lines: these see the whole text at once.
    text("MIMEデコード", "mime", "ISO-2022-JPヘッダ", "mojiCvt", G::Mime, &always<mimeDecode>, false),
    text("MIMEデコードB", "mime-broken", "Escブロークン", "mojiCvtB", G::Mime, &always<mimeDecodeBroken>, false),
    text("MIMEデコードQ", "mime-qp", "quoted-printable", "mojiCvtQ", G::Mime, &mimeDecodeQuotedPrintable, false),
    filter("昇順ソート", "sort", "昇順(sortコマンド使用）", "menu_sort_a", G::Sort, K::SortFilter, "sort"),
    filter("降順ソート", "sort-reverse", "降順(sort /rコマンド使用)", "menu_sort_d", G::Sort, K::SortFilter, "sort /r"),
    filter("昇順ソートn", "sort-numeric", "数字昇順(sortf -n -sコマンド使用)", "menu_sortf_a", G::Sort, K::Filter,
           "sortf -n -s"),
    filter("降順ソートn", "sort-numeric-reverse", "数字降順(sortf -n -r -s)コマンド使用", "menu_sortf_d", G::Sort,
           K::Filter, "sortf -n -r -s"),
    filter("sortf_J_a", "sort-japanese", "日本語環境辞書順ソート昇順(sortf -J -b -s)", "menu_sortf_J_a", G::Sort,
           K::Filter, "sortf -J -b -s"),
    filter("sortf_J_d", "sort-japanese-reverse", "日本語環境辞書順ソート降順(sortf -J -b -s -r)", "menu_sortf_J_d",
           G::Sort, K::Filter, "sortf -J -b -s -r"),
    duplicates("重複行削除", "dedupe", "Menumultidel", false),
    duplicates("重複行抽出", "extract-duplicates", "Menumultiview", true),
    filter("uniq_n", "uniq", "重複行削除(uniq使用)", "menu_fil_uniq_n", G::Duplicates, K::Filter, "uniq"),
    filter("uniq_d", "uniq-d", "重複行抽出(uniq -d使用)", "menu_fil_uniq_d", G::Duplicates, K::Filter, "uniq -d"),
    filter("uniq_dc", "uniq-dc", "重複行抽出(uniq -dc使用)", "menu_fil_uniq_dc", G::Duplicates, K::Filter, "uniq -dc"),
};

// Where a slice that starts at `from` ends: a line end a few MB on, or the end.
std::size_t sliceEnd(std::string_view text, std::size_t from) {
    constexpr std::size_t kSlice = 4u << 20;
    if (text.size() - from <= kSlice) return text.size();
    const std::size_t lf = text.find('\n', from + kSlice);
    return lf == std::string_view::npos ? text.size() : lf + 1;
}

// The conversion over valid UTF-8 only; other bytes are copied as they are.
bool convertPiece(const Conversion& c, std::string_view piece, std::string& out, Error& error) {
    bool ok = true;
    forEachValidRun(piece, [&](std::string_view run, bool valid) {
        if (!ok) return;
        if (!valid) {
            out.append(run);
            return;
        }
        auto r = c.apply(run);
        if (!r) {
            error = r.error();
            ok = false;
            return;
        }
        out.append(r.value());
    });
    return ok;
}

}  // namespace

std::span<const Conversion> conversions() { return kTable; }

namespace {

// The names users type before they read --list-conversions.
constexpr std::pair<std::string_view, std::string_view> kAliases[] = {
    {"zenkaku", "to-full-width"},       {"hankaku", "to-half-width"},        {"full-width", "to-full-width"},
    {"half-width", "to-half-width"},    {"katakana", "hiragana-to-katakana"}, {"hiragana", "katakana-to-hiragana"},
    {"kana-zenkaku", "hankaku-to-zenkaku"}, {"kana-hankaku", "zenkaku-to-hankaku"}, {"capitalize", "capitalize-words"},
    {"uppercase", "upper"},             {"lowercase", "lower"},              {"rev", "reverse"},
    {"kansuji", "kanji-to-digits"},     {"shinjitai", "old-to-new-kanji"},     {"wareki", "to-japanese-era"},       {"seireki", "to-gregorian"},
    {"daiji", "digits-to-daiji"},
};

std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

}  // namespace

const Conversion* findConversion(std::string_view key) {
    for (const auto& [alias, name] : kAliases)
        if (alias == key) key = name;
    for (const auto& c : kTable)
        if (c.label == key || c.name == key) return &c;
    return nullptr;
}

std::vector<std::string> aliasesOf(const Conversion& c) {
    std::vector<std::string> out;
    for (const auto& [alias, name] : kAliases)
        if (name == c.name) out.emplace_back(alias);
    return out;
}

std::vector<std::string> closestNames(std::string_view wrong) {
    std::vector<std::pair<std::size_t, std::string>> scored;
    auto consider = [&](std::string_view name) {
        const std::size_t d = name.find(wrong) != std::string_view::npos ? 1 : editDistance(wrong, name);
        if (d <= std::max<std::size_t>(2, wrong.size() / 3)) scored.emplace_back(d, std::string(name));
    };
    for (const auto& c : kTable) consider(c.name);
    for (const auto& [alias, name] : kAliases) consider(alias);
    std::stable_sort(scored.begin(), scored.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::string> out;
    for (const auto& [d, name] : scored)
        if (out.size() < 3) out.push_back(name);
    return out;
}

TextResult applyConversion(const Conversion& c, std::string_view text, WorkLink work) {
    if (c.kind != ConversionKind::Text || !c.apply) return Error{"not a text conversion", -1};
    if (!c.lineLocal && isValidUtf8(text)) return c.apply(text);
    std::string out;
    reserveText(out, text.size() + text.size() / 8);
    Error error{""};
    for (std::size_t from = 0; from < text.size();) {
        if (cancelledBy(work))
            return Error{kConversionCancelled, -1, ErrorKind::Cancelled};
        const std::size_t to = c.lineLocal ? sliceEnd(text, from) : text.size();
        if (!convertPiece(c, text.substr(from, to - from), out, error)) return error;
        from = to;
        reportDone(work, from);
    }
    if (cancelledBy(work)) return Error{kConversionCancelled, -1, ErrorKind::Cancelled};
    return out;
}

}  // namespace kk::convert
