// Undoing a misreading is writing the text back in the encoding it was read
// in and reading those bytes in the one they were written in, both strictly
// (ICU's converters, stopping at the first character or byte that does not
// map). A candidate is kept only when it scores as more plausible Japanese.
#include "convert/mojibake.h"

#include "core/text_codec.h"
#include "texts/texts.h"

#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <memory>

namespace kk::convert {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter strictConverter(const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    Converter c(ucnv_open(name, &status));
    if (U_FAILURE(status)) return nullptr;
    ucnv_setFromUCallBack(c.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setToUCallBack(c.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status)) return nullptr;
    return c;
}

// The text's bytes in `encoding`, or nothing when a character has no place there.
std::optional<std::string> encodeStrict(std::string_view utf8, const char* encoding) {
    Converter c = strictConverter(encoding);
    if (!c) return std::nullopt;
    const icu::UnicodeString u = icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
    std::string out(static_cast<std::size_t>(u.length()) * 4 + 16, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_fromUChars(c.get(), out.data(), static_cast<int32_t>(out.size()), u.getBuffer(), u.length(),
                                      &status);
    if (U_FAILURE(status)) return std::nullopt;
    out.resize(static_cast<std::size_t>(n));
    return out;
}

// The bytes read in `encoding`, as UTF-8, or nothing when a byte does not read.
std::optional<std::string> decodeStrict(std::string_view bytes, const char* encoding) {
    Converter c = strictConverter(encoding);
    if (!c) return std::nullopt;
    std::vector<UChar> u(bytes.size() + 16);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(c.get(), u.data(), static_cast<int32_t>(u.size()), bytes.data(),
                                    static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) return std::nullopt;
    std::string out;
    icu::UnicodeString(u.data(), n).toUTF8String(out);
    return out;
}

bool isHiragana(char32_t c) { return c >= 0x3041 && c <= 0x309F; }
bool isKatakana(char32_t c) { return c >= 0x30A0 && c <= 0x30FF; }
bool isIdeograph(char32_t c) { return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF); }
// The characters CP1252 puts at 0x80-0x9F.
bool isCp1252Sign(char32_t c) {
    switch (c) {
        case 0x0152: case 0x0153: case 0x0160: case 0x0161: case 0x0178: case 0x017D: case 0x017E: case 0x0192:
        case 0x02C6: case 0x02DC: case 0x2013: case 0x2014: case 0x2018: case 0x2019: case 0x201A: case 0x201C:
        case 0x201D: case 0x201E: case 0x2020: case 0x2021: case 0x2022: case 0x2026: case 0x2030: case 0x2039:
        case 0x203A: case 0x20AC: case 0x2122: return true;
        default: return false;
    }
}
// What a text read as CP1252 or Latin-1 is made of above ASCII.
bool isWesternSign(char32_t c) { return (c >= 0x80 && c <= 0xFF) || isCp1252Sign(c); }

bool isCommonKanji(char32_t c);

double weight(char32_t c) {
    if (c < 0x80) return 0;
    if (isHiragana(c)) return 2;
    if (isKatakana(c)) return 1.5;
    if (isIdeograph(c)) return isCommonKanji(c) ? 1 : -0.5;
    if (c >= 0x3000 && c <= 0x303F) return 1.5;  // Japanese punctuation
    if (c >= 0xFF01 && c <= 0xFF5E) return 0.5;  // full-width ASCII
    if (c >= 0xFF61 && c <= 0xFF9F) return -1;   // half-width katakana: rare beside kanji
    if (c >= 0x80 && c <= 0x9F) return -3;       // C1 controls
    if (c == 0xFFFD) return -5;
    if (isWesternSign(c)) return -2;
    if (c >= 0xE000 && c <= 0xF8FF) return -3;  // private use
    return 0;
}

struct Tally {
    double score = 0;
    std::size_t characters = 0, nonAscii = 0, western = 0, kana = 0, ideographs = 0;
};

Tally tally(std::string_view text) {
    Tally t;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char32_t c = nextCodePoint(text, pos);
        ++t.characters;
        t.score += weight(c);
        if (c >= 0x80) ++t.nonAscii;
        if (isWesternSign(c)) ++t.western;
        if (isHiragana(c) || isKatakana(c)) ++t.kana;
        if (isIdeograph(c)) ++t.ideographs;
    }
    return t;
}

// The kanji of JIS level 1 (the common ones, Shift_JIS 0x889F-0x9872):
// mojibake of UTF-8 read as CP932 is made of level 2's rarer ones.
bool isCommonKanji(char32_t c) {
    static const std::vector<bool> common = [] {
        std::vector<bool> bits(0x9FFF - 0x4E00 + 1);
        Converter cp932 = strictConverter("windows-31j");
        for (char32_t k = 0x4E00; k <= 0x9FFF && cp932; ++k) {
            const UChar u = static_cast<UChar>(k);
            char b[4];
            UErrorCode status = U_ZERO_ERROR;
            const int32_t n = ucnv_fromUChars(cp932.get(), b, sizeof b, &u, 1, &status);
            const unsigned lead = static_cast<unsigned char>(b[0]), trail = static_cast<unsigned char>(b[1]);
            bits[k - 0x4E00] = U_SUCCESS(status) && n == 2 && (lead < 0x98 || (lead == 0x98 && trail < 0x9F));
        }
        return bits;
    }();
    return c >= 0x4E00 && c <= 0x9FFF && common[c - 0x4E00];
}

bool readAsWestern(const Misreading& m) { return std::string_view(m.readAs) != "windows-31j"; }

}  // namespace

const std::vector<Misreading>& misreadings() {
    static const std::vector<Misreading> all = {
        {"windows-31j", "windows-1252"}, {"windows-31j", "ISO-8859-1"}, {"UTF-8", "windows-1252"},
        {"UTF-8", "ISO-8859-1"},         {"EUC-JP", "ISO-8859-1"},      {"UTF-8", "windows-31j"},
    };
    return all;
}

std::optional<std::string> misread(std::string_view text, const Misreading& m) {
    const auto bytes = encodeStrict(text, m.original);
    if (!bytes) return std::nullopt;
    return decodeStrict(*bytes, m.readAs);
}

double japanesePlausibility(std::string_view text) {
    const Tally t = tally(text);
    return t.characters == 0 ? 0 : t.score / static_cast<double>(t.characters);
}

TextResult repairMojibake(std::string_view text) {
    const Tally in = tally(text);
    std::optional<std::string> best;
    double bestScore = 0;
    for (const Misreading& m : misreadings()) {
        // Mojibake of a western reading is made of Latin-1 and CP1252 signs
        // above ASCII, and several of them: a text with a few accented
        // letters or curly quotes is no such thing.
        if (readAsWestern(m) && (in.western < 2 || in.western * 10 < in.nonAscii * 9)) continue;
        const auto bytes = encodeStrict(text, m.readAs);
        if (!bytes) continue;
        auto candidate = decodeStrict(*bytes, m.original);
        if (!candidate || *candidate == text) continue;
        const Tally out = tally(*candidate);
        // Japanese has kana, or at least a few kanji; and it must read better
        // than what came in. Bytes that read as strict UTF-8 beyond ASCII are
        // evidence enough of themselves; Shift_JIS and EUC-JP read almost any
        // byte pair, so those must win by more than a character's worth.
        if (out.kana == 0 && out.ideographs < 3) continue;
        const double margin = std::string_view(m.original) == "UTF-8" ? 0 : 2;
        if (out.score <= in.score + margin || (best && out.score <= bestScore)) continue;
        best = std::move(candidate);
        bestScore = out.score;
    }
    if (!best) return Error{texts::Msg::NoRepairFound, {}, -1, ErrorKind::Input};
    return std::move(*best);
}

}  // namespace kk::convert
