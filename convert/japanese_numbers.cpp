// Numerals are found by their characters and checked by a small grammar;
// ICU's Japanese spell-out rules write them.
#include "convert/japanese_numbers.h"

#include <unicode/fieldpos.h>
#include <unicode/locid.h>
#include <unicode/rbnf.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <bitset>
#include <memory>
#include <vector>

namespace kk::convert {

namespace {

enum class Kind { None, Digit, Small, Large, Arabic };
struct NumChar {
    Kind kind = Kind::None;
    std::uint64_t value = 0;  // a digit's value or a place word's
};

NumChar classify(char32_t c) {
    switch (c) {
    case U'〇': case U'零': return {Kind::Digit, 0};
    case U'一': case U'壱': case U'壹': return {Kind::Digit, 1};
    case U'二': case U'弐': case U'貳': return {Kind::Digit, 2};
    case U'三': case U'参': case U'參': return {Kind::Digit, 3};
    case U'四': case U'肆': return {Kind::Digit, 4};
    case U'五': case U'伍': return {Kind::Digit, 5};
    case U'六': case U'陸': return {Kind::Digit, 6};
    case U'七': case U'漆': return {Kind::Digit, 7};
    case U'八': case U'捌': return {Kind::Digit, 8};
    case U'九': case U'玖': return {Kind::Digit, 9};
    case U'十': case U'拾': return {Kind::Small, 10};
    case U'百': case U'佰': return {Kind::Small, 100};
    case U'千': case U'阡': case U'仟': return {Kind::Small, 1000};
    case U'万': case U'萬': return {Kind::Large, 10'000};
    case U'億': return {Kind::Large, 100'000'000};
    case U'兆': return {Kind::Large, 1'000'000'000'000};
    case U'京': return {Kind::Large, 10'000'000'000'000'000};
    default: break;
    }
    if (c >= U'0' && c <= U'9') return {Kind::Arabic, static_cast<std::uint64_t>(c - U'0')};
    if (c >= U'０' && c <= U'９') return {Kind::Arabic, static_cast<std::uint64_t>(c - U'０')};
    return {};
}

bool isComma(char32_t c) { return c == U',' || c == U'，'; }

// One code point at `at`; callers pass valid UTF-8 only.
struct CodePoint {
    char32_t c;
    std::size_t length;
};
CodePoint decodeAt(std::string_view s, std::size_t at) {
    std::size_t i = at;
    UChar32 c = 0;
    U8_NEXT(s.data(), i, s.size(), c);
    return {c < 0 ? U'\uFFFD' : static_cast<char32_t>(c), i - at};
}
char32_t lastCodePoint(std::string_view s) {
    if (s.empty()) return 0;
    std::size_t i = s.size() - 1;
    while (i > 0 && U8_IS_TRAIL(static_cast<unsigned char>(s[i]))) --i;
    return decodeAt(s, i).c;
}

bool multiplyAdd(std::uint64_t& into, std::uint64_t factor, std::uint64_t add) {
    std::uint64_t product = 0;
    return !__builtin_mul_overflow(into, factor, &product) && !__builtin_add_overflow(product, add, &into);
}

// Arabic digits with optional thousands commas (1,000,000): the digits, or
// nothing when the commas do not group by three.
std::optional<std::string> arabicDigits(std::string_view s) {
    std::string digits;
    std::size_t group = 0;
    bool comma = false;
    for (std::size_t i = 0; i < s.size();) {
        const auto [c, n] = decodeAt(s, i);
        i += n;
        if (isComma(c)) {
            if (digits.empty() || (comma && group != 3) || (!comma && group > 3)) return std::nullopt;
            comma = true;
            group = 0;
            continue;
        }
        digits += static_cast<char>('0' + classify(c).value);
        ++group;
    }
    if (comma && group != 3) return std::nullopt;
    return digits;
}

struct Token {
    Kind kind;
    std::uint64_t value;
};

std::string withThousands(const std::string& digits) {
    if (digits.size() <= 3 || digits[0] == '0') return digits;
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

}  // namespace

std::optional<std::string> parseKanjiNumeral(std::string_view s) {
    std::vector<Token> tokens;
    bool kanji = false, placeWords = false;
    for (std::size_t i = 0; i < s.size();) {
        const auto [c, n] = decodeAt(s, i);
        const NumChar k = classify(c);
        if (k.kind == Kind::Arabic) {
            std::size_t j = i;
            while (j < s.size()) {
                const auto [d, m] = decodeAt(s, j);
                if (classify(d).kind != Kind::Arabic && !isComma(d)) break;
                j += m;
            }
            const auto digits = arabicDigits(s.substr(i, j - i));
            if (!digits) return std::nullopt;
            std::uint64_t value = 0;
            for (const char d : *digits)
                if (!multiplyAdd(value, 10, static_cast<std::uint64_t>(d - '0'))) return std::nullopt;
            tokens.push_back({Kind::Arabic, value});
            i = j;
            continue;
        }
        if (k.kind == Kind::None) return std::nullopt;
        kanji = true;
        placeWords = placeWords || k.kind == Kind::Small || k.kind == Kind::Large;
        tokens.push_back({k.kind, k.value});
        i += n;
    }
    if (!kanji) return std::nullopt;
    if (!placeWords) {
        // Digit by digit: only kanji digits, each one place.
        std::string out;
        for (const Token& t : tokens) {
            if (t.kind != Kind::Digit) return std::nullopt;
            out += static_cast<char>('0' + t.value);
        }
        return out;
    }
    // Place words: sections of up to 千 under descending 万億兆京, a
    // coefficient before each place word (1 when left out, never before 万
    // and above alone: 万一 is a word, not 10001).
    std::uint64_t total = 0, section = 0;
    bool pending = false;  // a coefficient or a section's last digits, not yet placed
    std::uint64_t pendingValue = 0;
    std::uint64_t lastSmall = 10'000, lastLarge = UINT64_MAX;
    auto closeSection = [&] {
        if (!pending) return true;
        if (pendingValue >= lastSmall) return false;
        section += pendingValue;
        pending = false;
        return true;
    };
    for (const Token& t : tokens) {
        switch (t.kind) {
        case Kind::Digit:
        case Kind::Arabic:
            if (pending) return std::nullopt;
            pending = true;
            pendingValue = t.value;
            break;
        case Kind::Small: {
            const std::uint64_t coefficient = pending ? pendingValue : 1;
            if (coefficient == 0 || coefficient > 9 || t.value >= lastSmall) return std::nullopt;
            section += coefficient * t.value;
            lastSmall = t.value;
            pending = false;
            break;
        }
        case Kind::Large: {
            if (!closeSection() || section == 0 || t.value >= lastLarge) return std::nullopt;
            std::uint64_t part = section;
            if (__builtin_mul_overflow(part, t.value, &part) || __builtin_add_overflow(total, part, &total))
                return std::nullopt;
            lastLarge = t.value;
            lastSmall = 10'000;
            section = 0;
            break;
        }
        case Kind::None: return std::nullopt;
        }
    }
    if (!closeSection() || __builtin_add_overflow(total, section, &total)) return std::nullopt;
    return std::to_string(total);
}

std::string formatKanjiNumeral(std::uint64_t n, KanjiStyle style) {
    if (style == KanjiStyle::Digitwise) {
        static constexpr std::array<std::string_view, 10> kDigits = {"〇", "一", "二", "三", "四",
                                                                     "五", "六", "七", "八", "九"};
        std::string out;
        for (const char d : std::to_string(n)) out += kDigits[static_cast<std::size_t>(d - '0')];
        return out;
    }
    // One formatter per thread and style: building one reads ICU's rules.
    struct Formatter {
        std::unique_ptr<icu::RuleBasedNumberFormat> rbnf;
        icu::UnicodeString ruleSet;
    };
    thread_local std::array<Formatter, 2> formatters;
    Formatter& f = formatters[style == KanjiStyle::Daiji ? 1 : 0];
    if (!f.rbnf) {
        UErrorCode status = U_ZERO_ERROR;
        f.rbnf = std::make_unique<icu::RuleBasedNumberFormat>(icu::URBNF_SPELLOUT, icu::Locale("ja"), status);
        f.ruleSet = icu::UnicodeString::fromUTF8(style == KanjiStyle::Daiji ? "%spellout-cardinal-financial"
                                                                            : "%spellout-cardinal");
        if (U_FAILURE(status)) f.rbnf.reset();
    }
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString text;
    icu::FieldPosition position;
    if (f.rbnf && n <= static_cast<std::uint64_t>(INT64_MAX))
        f.rbnf->format(static_cast<std::int64_t>(n), f.ruleSet, text, position, status);
    if (!f.rbnf || U_FAILURE(status) || text.isEmpty()) return formatKanjiNumeral(n, KanjiStyle::Digitwise);
    std::string out;
    text.toUTF8String(out);
    return out;
}

namespace {

// Words that start with a numeral but are no count (八百屋 is a greengrocer,
// 五十嵐 a family name, 十人十色 a saying).
constexpr std::string_view kNumeralWords[] = {"八百屋", "八百長", "八百万", "五十音", "五十嵐", "五十鈴",
                                              "十二分", "十六夜", "百万遍", "三日月", "十人十色", "一人一人",
                                              "一日一日", "一人称", "二人称", "三人称"};
// Counters after which a one-kanji numeral is a count: 八日, 三人, 五円.
constexpr std::u32string_view kCounters = U"年月日人回個件歳才階冊枚匹台秒週名円";

bool isAsciiAlnum(char32_t c) { return (c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z'); }
bool isWideAlnum(char32_t c) {
    return (c >= U'０' && c <= U'９') || (c >= U'Ａ' && c <= U'Ｚ') || (c >= U'ａ' && c <= U'ｚ');
}
bool isLetter(char32_t c) { return (isAsciiAlnum(c) || isWideAlnum(c)) && classify(c).kind != Kind::Arabic; }

// The characters of the BMP that classify() knows, for a quick skip.
const std::bitset<0x10000>& numeralCharacters() {
    static const std::bitset<0x10000> bits = [] {
        std::bitset<0x10000> b;
        for (char32_t c = 0; c < 0x10000; ++c)
            if (classify(c).kind != Kind::None) b.set(c);
        return b;
    }();
    return bits;
}

// A kanji numeral in running text becomes digits when
// - it is at least two characters long, or one before a counter above
//   (八日, 三人; but 一つ, 一緒, 十分, 千葉: one kanji alone is far more often
//   a word than a number),
// - written digit by digit, it holds 〇 or at least four digits (七五三 and
//   四六時中 stay; 二〇二六 and 一九四五 change),
// - it does not follow 数, 何 or 幾 (数十万: no exact number) nor a Latin
//   letter, digit or point (1.5万 stays whole),
// - it does not begin one of the words above, and
// - it is well formed (万一, 二五 and 千百千 are no numbers).
Text convertKanjiNumerals(std::string_view text, bool grouped) {
    std::string out;
    std::size_t copied = 0;
    char32_t before = 0;
    const auto& maybeNumeral = numeralCharacters();
    for (std::size_t i = 0; i < text.size();) {
        // Most of a text is passed over a byte or one three-byte character at
        // a time, without decoding it in full.
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80 && (byte < '0' || byte > '9')) {
            before = byte;
            ++i;
            continue;
        }
        if ((byte & 0xF0) == 0xE0 && i + 2 < text.size()) {
            const char32_t c = ((byte & 0x0Fu) << 12) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6) |
                               (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
            if (!maybeNumeral[c]) {
                before = c;
                i += 3;
                continue;
            }
        }
        const auto [c, n] = decodeAt(text, i);
        const Kind kind = classify(c).kind;
        if (kind == Kind::None) {
            before = c;
            i += n;
            continue;
        }
        const std::string_view rest = text.substr(i);
        const auto word = kind == Kind::Arabic ? std::end(kNumeralWords)
                                               : std::find_if(std::begin(kNumeralWords), std::end(kNumeralWords),
                                                              [rest](std::string_view w) { return rest.starts_with(w); });
        if (word != std::end(kNumeralWords)) {
            before = lastCodePoint(*word);
            i += word->size();
            continue;
        }
        std::size_t j = i, characters = 0;
        bool zero = false, placeWords = false, kanji = false;
        while (j < text.size()) {
            const auto [d, m] = decodeAt(text, j);
            const NumChar k = classify(d);
            // A comma belongs to the numeral between Arabic digits only.
            const bool comma = isComma(d) && j > i && classify(lastCodePoint(text.substr(i, j - i))).kind == Kind::Arabic &&
                               j + m < text.size() && classify(decodeAt(text, j + m).c).kind == Kind::Arabic;
            if (k.kind == Kind::None && !comma) break;
            zero = zero || (k.kind == Kind::Digit && k.value == 0);
            kanji = kanji || k.kind == Kind::Digit || k.kind == Kind::Small || k.kind == Kind::Large;
            placeWords = placeWords || k.kind == Kind::Small || k.kind == Kind::Large;
            ++characters;
            j += m;
        }
        const std::string_view run = text.substr(i, j - i);
        const char32_t after = j < text.size() ? decodeAt(text, j).c : 0;
        const bool counted = characters == 1 && after && kCounters.find(after) != std::u32string_view::npos;
        const bool numeral = kanji && (counted || (characters >= 2 && (placeWords || zero || characters >= 4))) &&
                             before != U'数' && before != U'何' && before != U'幾' && !isAsciiAlnum(before) &&
                             !isWideAlnum(before) && before != U'.' && before != U'．';
        if (numeral) {
            if (const auto digits = parseKanjiNumeral(run)) {
                out.append(text.substr(copied, i - copied));
                // Digit by digit is how years and codes are written: no commas there.
                out += grouped && placeWords ? withThousands(*digits) : *digits;
                copied = j;
            }
        }
        before = lastCodePoint(run);
        i = j;
    }
    if (copied == 0) return std::string(text);
    out.append(text.substr(copied));
    return out;
}

bool isDigitJoiner(char32_t c) {
    switch (c) {
    case U'.': case U'．': case U',': case U'，': case U'-': case U'－': case U'/': case U'／':
    case U':': case U'：': case U' ': return true;
    default: return false;
    }
}

// Arabic digits in running text become kanji when they stand as a number of
// their own: not touching a letter or '_' (ISO9001, v2, x86), not after a
// Latin word and a space (ISO 9001, Windows 11), not joined to other digits
// by a point, comma, hyphen, slash, colon or space (3.14, 1.2.3, 03-1234-5678,
// 10:30), not after a sign or mark that makes them a code (-5, #3, @2, +81),
// without a leading zero (007), and within 64 bits. Commas grouping by three
// (1,234,567) belong to the number.
Text convertArabicNumbers(std::string_view text, KanjiStyle style) {
    std::string out;
    std::size_t copied = 0;
    char32_t before = 0, beforeThat = 0;
    auto codeMark = [](char32_t c) {
        return c == U'_' || c == U'-' || c == U'－' || c == U'#' || c == U'＃' || c == U'@' || c == U'＠' ||
               c == U'+' || c == U'＋' || c == U'.' || c == U'．' || c == U'/' || c == U'／' || c == U':' ||
               c == U'：' || c == U'\\' || c == U'$';
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto [c, n] = decodeAt(text, i);
        if (classify(c).kind != Kind::Arabic) {
            beforeThat = before;
            before = c;
            i += n;
            continue;
        }
        std::size_t j = i;
        while (j < text.size()) {
            const auto [d, m] = decodeAt(text, j);
            if (classify(d).kind == Kind::Arabic) {
                j += m;
                continue;
            }
            // ",ddd" not followed by another digit continues the number.
            if (!isComma(d)) break;
            std::size_t k = j + m, count = 0;
            while (k < text.size() && count < 4) {
                const auto [e, l] = decodeAt(text, k);
                if (classify(e).kind != Kind::Arabic) break;
                k += l;
                ++count;
            }
            if (count != 3) break;
            j = k;
        }
        const std::string_view run = text.substr(i, j - i);
        char32_t after = 0, afterThat = 0;
        if (j < text.size()) {
            const auto next = decodeAt(text, j);
            after = next.c;
            if (j + next.length < text.size()) afterThat = decodeAt(text, j + next.length).c;
        }
        const auto digits = arabicDigits(run);
        bool standalone = digits && !isLetter(before) && !isLetter(after) && after != U'_' && !codeMark(before) &&
                          !(before == U' ' && (isLetter(beforeThat) || classify(beforeThat).kind == Kind::Arabic)) &&
                          !(isDigitJoiner(before) && classify(beforeThat).kind == Kind::Arabic) &&
                          !(isDigitJoiner(after) && classify(afterThat).kind == Kind::Arabic) &&
                          !(digits->size() > 1 && (*digits)[0] == '0');
        std::uint64_t value = 0;
        for (std::size_t d = 0; standalone && d < digits->size(); ++d)
            standalone = multiplyAdd(value, 10, static_cast<std::uint64_t>((*digits)[d] - '0'));
        if (standalone && (style == KanjiStyle::Digitwise || value <= static_cast<std::uint64_t>(INT64_MAX))) {
            out.append(text.substr(copied, i - copied));
            out += formatKanjiNumeral(value, style);
            copied = j;
        }
        beforeThat = 0;
        before = lastCodePoint(run);
        i = j;
    }
    if (copied == 0) return std::string(text);
    out.append(text.substr(copied));
    return out;
}

}  // namespace

Text kanjiToDigits(std::string_view text) { return convertKanjiNumerals(text, false); }
Text kanjiToDigitsGrouped(std::string_view text) { return convertKanjiNumerals(text, true); }
Text digitsToKanji(std::string_view text) { return convertArabicNumbers(text, KanjiStyle::PlaceWords); }
Text digitsToKanjiDigitwise(std::string_view text) { return convertArabicNumbers(text, KanjiStyle::Digitwise); }
Text digitsToDaiji(std::string_view text) { return convertArabicNumbers(text, KanjiStyle::Daiji); }

}  // namespace kk::convert
