// Case through ICU's UTF-8 case mapper, width through tables read off ICU's
// width transliterators, kana by code point arithmetic.
#include "convert/case_width.h"

#include "core/big_buffer.h"
#include "core/text_codec.h"

#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/ucasemap.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace kk::convert {

namespace {

using CaseFn = int32_t (*)(const UCaseMap*, char*, int32_t, const char*, int32_t, UErrorCode*);

Text mapCase(std::string_view text, CaseFn fn) {
    UErrorCode status = U_ZERO_ERROR;
    UCaseMap* map = ucasemap_open("", 0, &status);  // the root locale
    if (U_FAILURE(status)) return Text(text);
    Text out(text.size() + text.size() / 4 + 16, '\0');
    int32_t n =
        fn(map, out.data(), static_cast<int32_t>(out.size()), text.data(), static_cast<int32_t>(text.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        out.assign(static_cast<std::size_t>(n), '\0');
        n = fn(map, out.data(), n, text.data(), static_cast<int32_t>(text.size()), &status);
    }
    ucasemap_close(map);
    if (U_FAILURE(status)) return Text(text);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

icu::Transliterator* widthTransliterator(bool toFull) {
    // Built once each; only used to fill the tables below.
    static std::once_flag once;
    static std::unique_ptr<icu::Transliterator> full, half;
    std::call_once(once, [] {
        UErrorCode status = U_ZERO_ERROR;
        UParseError pe;
        full.reset(icu::Transliterator::createFromRules(
            "kk-full", icu::UnicodeString::fromUTF8("::[^\\u005C]; ::Halfwidth-Fullwidth;"), UTRANS_FORWARD, pe,
            status));
        if (U_FAILURE(status)) full.reset();
        status = U_ZERO_ERROR;
        half.reset(icu::Transliterator::createFromRules(
            "kk-half", icu::UnicodeString::fromUTF8("::[^\\uFFE5]; ::Fullwidth-Halfwidth;"), UTRANS_FORWARD, pe,
            status));
        if (U_FAILURE(status)) half.reset();
    });
    return toFull ? full.get() : half.get();
}

std::string toUtf8(const icu::UnicodeString& u) {
    std::string out;
    u.toUTF8String(out);
    return out;
}

// ICU's width mappings, one character at a time, read off the transliterator
// once: transliterating text directly runs near 1 MB/s, a table lookup at
// memory speed. The mappings have no context, so per character they are
// the same. Only the blocks that hold width forms can change.
struct WidthTable {
    std::unordered_map<char32_t, std::string> map;
    static bool candidate(char32_t c) {
        return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c < 0x100) || (c >= 0x2000 && c < 0x2700) ||
               (c >= 0x3000 && c < 0x3190) || c == 0x20A9 || c == 0x2985 || c == 0x2986 || (c >= 0xFF00 && c < 0xFFF0);
    }
};

const WidthTable& widthTable(bool toFull) {
    static std::once_flag once[2];
    static WidthTable tables[2];
    std::call_once(once[toFull ? 1 : 0], [toFull] {
        WidthTable& t = tables[toFull ? 1 : 0];
        icu::Transliterator* tr = widthTransliterator(toFull);
        if (!tr) return;
        // All candidates in one string, each followed by a line feed (which
        // no mapping touches), then split the result at the line feeds.
        icu::UnicodeString all;
        std::vector<char32_t> order;
        for (char32_t c = 0x20; c < 0x10000; ++c) {
            if (!WidthTable::candidate(c) || U_IS_SURROGATE(c)) continue;
            all.append(static_cast<UChar32>(c));
            all.append(static_cast<UChar>(u'\n'));
            order.push_back(c);
        }
        tr->transliterate(all);
        const std::string mapped = toUtf8(all);
        std::size_t pos = 0;
        for (const char32_t c : order) {
            const std::size_t lf = mapped.find('\n', pos);
            if (lf == std::string::npos) break;
            std::string to = mapped.substr(pos, lf - pos);
            std::string from;
            appendUtf8(from, c);
            if (to != from) t.map.emplace(c, std::move(to));
            pos = lf + 1;
        }
        // The block of width forms goes by the Unicode data's own <wide> and
        // <narrow> mappings, where the transliterator lags behind them (｟｠,
        // half-width Hangul to the compatibility jamo).
        UErrorCode status = U_ZERO_ERROR;
        const icu::Normalizer2* nfkd = icu::Normalizer2::getNFKDInstance(status);
        for (char32_t c = 0xFF00; c < 0xFFF0 && U_SUCCESS(status); ++c) {
            const auto type = u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_DECOMPOSITION_TYPE);
            icu::UnicodeString to;
            if ((type != U_DT_WIDE && type != U_DT_NARROW) || !nfkd->getRawDecomposition(static_cast<UChar32>(c), to) ||
                to.countChar32() != 1)
                continue;
            const auto other = static_cast<char32_t>(to.char32At(0));
            std::string self;
            appendUtf8(self, c);
            // <wide>: c is the full form of `other`; <narrow>: its half form.
            const bool cIsFull = type == U_DT_WIDE;
            if (cIsFull == toFull) t.map.emplace(other, self);  // keeps what the transliterator had first
            else t.map[c] = toUtf8(to);
        }
        if (!toFull) {
            // The spacing voiced marks have no width form of their own; their half form is ﾞﾟ.
            t.map[0x309B] = "ﾞ";
            t.map[0x309C] = "ﾟ";
        } else {
            // ﾞﾟ join the kana before them, or else stand as ゛゜: marked with
            // noncharacters (never in a text) until the composition decides.
            t.map[0xFF9E] = "\uFDD0";
            t.map[0xFF9F] = "\uFDD1";
        }
        t.map.erase(toFull ? 0x5C : 0xFFE5);  // the backslash and "￥" stay: their fix-ups decide
    });
    return tables[toFull ? 1 : 0];
}

Text mapWidth(std::string_view text, bool toFull) {
    const WidthTable& t = widthTable(toFull);
    Text out;
    reserveText(out, text.size() + (toFull ? text.size() : 0));
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t at = i;
        const char32_t c = nextCodePoint(text, i);
        if (!WidthTable::candidate(c)) continue;
        const auto it = t.map.find(c);
        if (it == t.map.end()) continue;
        out.append(text.substr(run, at - run));
        out.append(it->second);
        run = i;
    }
    out.append(text.substr(run));
    return out;
}

// Kana followed by a voiced mark (combining, or ﾞﾟ marked by U+FDD0/U+FDD1)
// becomes the precomposed letter; a marked one that joins nothing is ゛ or ゜.
Text composeVoicedKana(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return Text(text);
    Text out;
    reserveText(out, text.size());
    std::size_t lastStart = 0;
    char32_t last = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t at = i;
        char32_t c = nextCodePoint(text, i);
        const bool marked = c == 0xFDD0 || c == 0xFDD1;
        if (marked) c = c == 0xFDD0 ? 0x3099 : 0x309A;
        if ((c == 0x3099 || c == 0x309A) && last >= 0x3040 && last <= 0x30FF) {
            const UChar32 composed = nfc->composePair(static_cast<UChar32>(last), static_cast<UChar32>(c));
            if (composed >= 0) {
                out.resize(lastStart);
                appendUtf8(out, static_cast<char32_t>(composed));
                last = 0;
                continue;
            }
        }
        lastStart = out.size();
        if (marked) appendUtf8(out, c == 0x3099 ? 0x309B : 0x309C);  // ﾞ/ﾟ standing alone
        else out.append(text.substr(at, i - at));
        last = c;
    }
    return out;
}

Text shiftKana(std::string_view text, bool toKatakana) {
    Text out;
    reserveText(out, text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t at = i;
        const char32_t c = nextCodePoint(text, i);
        char32_t m = c;
        if (toKatakana && ((c >= 0x3041 && c <= 0x3096) || c == 0x309D || c == 0x309E)) m = c + 0x60;
        if (!toKatakana && ((c >= 0x30A1 && c <= 0x30F6) || c == 0x30FD || c == 0x30FE)) m = c - 0x60;
        if (m == c) out.append(text.substr(at, i - at));
        else appendUtf8(out, m);
    }
    return out;
}

bool startsWord(char32_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0;
}

}  // namespace

Text toUpperCase(std::string_view text) { return mapCase(text, ucasemap_utf8ToUpper); }
Text toLowerCase(std::string_view text) { return mapCase(text, ucasemap_utf8ToLower); }

Text toWordCapitals(std::string_view text) {
    Text out;
    reserveText(out, text.size());
    bool wordStart = true;
    for (std::size_t i = 0; i < text.size();) {
        const char32_t c = nextCodePoint(text, i);
        const UChar32 m = wordStart ? u_toupper(static_cast<UChar32>(c)) : u_tolower(static_cast<UChar32>(c));
        appendUtf8(out, static_cast<char32_t>(m));
        wordStart = startsWord(c);
    }
    return out;
}

Text toFullWidth(std::string_view text) { return composeVoicedKana(mapWidth(text, true)); }

Text toHalfWidth(std::string_view text) { return mapWidth(text, false); }

Text hiraganaToKatakana(std::string_view text) { return shiftKana(text, true); }
Text katakanaToHiragana(std::string_view text) { return shiftKana(text, false); }

}  // namespace kk::convert
