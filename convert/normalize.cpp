// Each normalisation step maps characters on their own, except the dashes,
// which look at their neighbours. The compatibility forms come from ICU's
// NFKC data, read once for the blocks a step may change.
#include "convert/normalize.h"

#include "convert/char_map.h"
#include "core/big_buffer.h"

#include "core/text_codec.h"

#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/stringpiece.h>

#include <algorithm>
#include <iterator>
#include <mutex>
#include <unordered_map>

namespace kk::convert {

namespace {

// The full-width forms of ASCII sit 0xFEE0 above it.
constexpr char32_t kFullwidthOffset = 0xFEE0;
bool fullwidthAlphanumeric(char32_t c) {
    return (c >= U'０' && c <= U'９') || (c >= U'Ａ' && c <= U'Ｚ') || (c >= U'ａ' && c <= U'ｚ');
}
bool fullwidthSymbol(char32_t c) { return c >= U'！' && c <= U'～' && !fullwidthAlphanumeric(c); }

Text normalizeWith(const icu::Normalizer2* (*instance)(UErrorCode&), std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* n = instance(status);
    if (U_FAILURE(status)) return Text(text);
    Text out;
    reserveText(out, text.size());
    icu::StringByteSink<std::string> sink(&out);
    n->normalizeUTF8(0, icu::StringPiece(text.data(), static_cast<int32_t>(text.size())), sink, nullptr, status);
    return U_FAILURE(status) ? Text(text) : out;
}

bool enclosedBlock(char32_t c) {
    return (c >= 0x2460 && c <= 0x24FF) ||   // Enclosed Alphanumerics
           (c >= 0x3200 && c <= 0x33FF) ||   // Enclosed CJK Letters and Months, CJK Compatibility
           (c >= 0x1F100 && c <= 0x1F2FF);  // the two supplements
}

const std::unordered_map<char32_t, std::string>& enclosedForms() {
    static std::unordered_map<char32_t, std::string> forms;
    static std::once_flag once;
    std::call_once(once, [] {
        for (char32_t c = 0x2460; c <= 0x1F2FF; ++c) {
            if (!enclosedBlock(c)) continue;
            std::string one;
            appendUtf8(one, c);
            std::string nfkc = normalizeWith(&icu::Normalizer2::getNFKCInstance, one);
            if (nfkc != one) forms.emplace(c, std::move(nfkc));
        }
    });
    return forms;
}

bool isHalfwidthKana(char32_t c) { return c >= 0xFF66 && c <= 0xFF9F; }
bool isKana(char32_t c) { return (c >= 0x3041 && c <= 0x30FF) || isHalfwidthKana(c); }
bool isAsciiAlnum(char32_t c) {
    return (c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z');
}
bool isDashLike(char32_t c) {
    switch (c) {
        case U'-': case 0x2010: case 0x2011: case 0x2013: case 0x2014: case 0x2015: case 0x2212: case 0xFF70:
        case 0x30FC: return true;
        default: return false;
    }
}

Text swap(std::string_view text, char32_t from, char32_t to) {
    return mapCharacters(text, [from, to](char32_t c, Text& out) {
        if (c != from) return false;
        appendUtf8(out, to);
        return true;
    });
}

}  // namespace

Text alphanumericsToHalfWidth(std::string_view text) {
    return mapCharacters(text, [](char32_t c, Text& out) {
        if (!fullwidthAlphanumeric(c)) return false;
        out += static_cast<char>(c - kFullwidthOffset);
        return true;
    });
}

Text symbolsToHalfWidth(std::string_view text) {
    return mapCharacters(text, [](char32_t c, Text& out) {
        if (!fullwidthSymbol(c)) return false;
        out += static_cast<char>(c - kFullwidthOffset);
        return true;
    });
}

Text ideographicSpaceToSpace(std::string_view text) { return swap(text, 0x3000, U' '); }
Text spaceToIdeographicSpace(std::string_view text) { return swap(text, U' ', 0x3000); }
Text waveDashToFullwidthTilde(std::string_view text) { return swap(text, 0x301C, 0xFF5E); }
Text fullwidthTildeToWaveDash(std::string_view text) { return swap(text, 0xFF5E, 0x301C); }

Text unifyDashes(std::string_view text) {
    Text out;
    reserveText(out, text.size());
    char32_t before = 0;  // the character before the one at hand (0 at the start)
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        const char32_t c = nextCodePoint(text, pos);
        char32_t replacement = 0;
        if (isDashLike(c) && before != 0 && pos < text.size()) {
            std::size_t peek = pos;
            const char32_t after = nextCodePoint(text, peek);
            if (isKana(before) && isKana(after) && !isDashLike(before) && !isDashLike(after))
                replacement = isHalfwidthKana(before) && isHalfwidthKana(after) ? 0xFF70 : 0x30FC;
            else if (isAsciiAlnum(before) && isAsciiAlnum(after))
                replacement = U'-';
        }
        if (replacement != 0 && replacement != c) appendUtf8(out, replacement);
        else out.append(text.substr(start, pos - start));
        before = c;
    }
    return out;
}

Text expandEnclosed(std::string_view text) {
    const auto& forms = enclosedForms();
    return mapCharacters(text, [&forms](char32_t c, Text& out) {
        if (!enclosedBlock(c)) return false;
        const auto it = forms.find(c);
        if (it == forms.end()) return false;
        out += it->second;
        return true;
    });
}

Text toNfkc(std::string_view text) { return normalizeWith(&icu::Normalizer2::getNFKCInstance, text); }
Text toNfc(std::string_view text) { return normalizeWith(&icu::Normalizer2::getNFCInstance, text); }

Text toOfficialPunctuation(std::string_view text) {
    return mapCharacters(text, [](char32_t c, Text& out) {
        if (c != U'，' && c != U'．') return false;
        appendUtf8(out, c == U'，' ? U'、' : U'。');
        return true;
    });
}

Text toAcademicPunctuation(std::string_view text) {
    return mapCharacters(text, [](char32_t c, Text& out) {
        if (c != U'、' && c != U'。') return false;
        appendUtf8(out, c == U'、' ? U'，' : U'．');
        return true;
    });
}

namespace {

constexpr KanjiForms kOldForms[] = {
#include "convert/kyujitai_table.inc"
};

}  // namespace

std::span<const KanjiForms> oldFormPairs() { return kOldForms; }

Text oldFormsToCurrent(std::string_view text) {
    return mapCharacters(text, [](char32_t c, Text& out) {
        if (c < kOldForms[0].old) return false;  // kana, ASCII and most of the text
        const auto it = std::lower_bound(std::begin(kOldForms), std::end(kOldForms), c,
                                         [](const KanjiForms& p, char32_t key) { return p.old < key; });
        if (it == std::end(kOldForms) || it->old != c) return false;
        appendUtf8(out, it->current);
        return true;
    });
}

}  // namespace kk::convert
