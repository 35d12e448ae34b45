// Which characters CP932 holds comes from ICU's windows-31j converter, read
// once for the whole BMP (nothing beyond it is in CP932).
#include "convert/cp932_safety.h"

#include "convert/char_map.h"

#include "core/text_codec.h"

#include <unicode/ucnv.h>

#include <cstdio>
#include <vector>

namespace kk::convert {

namespace {

const std::vector<bool>& cp932Bitmap() {
    static const std::vector<bool> bits = [] {
        std::vector<bool> b(0x10000);
        UErrorCode status = U_ZERO_ERROR;
        UConverter* c = ucnv_open("windows-31j", &status);
        if (U_FAILURE(status)) return b;
        ucnv_setFromUCallBack(c, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        for (char32_t k = 0; k < 0x10000; ++k) {
            if (k >= 0xD800 && k <= 0xDFFF) continue;
            const UChar u = static_cast<UChar>(k);
            char out[4];
            status = U_ZERO_ERROR;
            ucnv_fromUChars(c, out, sizeof out, &u, 1, &status);
            b[k] = U_SUCCESS(status);
            ucnv_reset(c);
        }
        ucnv_close(c);
        return b;
    }();
    return bits;
}

// The usual CP932 counterparts (what Windows shows for the JIS forms).
char32_t counterpart(char32_t c) {
    switch (c) {
        case 0x301C: return 0xFF5E;  // 〜 → ～
        case 0x2212: return 0xFF0D;  // − → －
        case 0x2016: return 0x2225;  // ‖ → ∥
        case 0x2014: return 0x2015;  // — → ―
        case 0x00A2: return 0xFFE0;  // ¢ → ￠
        case 0x00A3: return 0xFFE1;  // £ → ￡
        case 0x00AC: return 0xFFE2;  // ¬ → ￢
        case 0x00A6: return 0xFFE4;  // ¦ → ￤
        default: return 0;
    }
}

}  // namespace

bool inCp932(char32_t c) { return c < 0x80 || (c < 0x10000 && cp932Bitmap()[c]); }

Text markNonCp932(std::string_view text) {
    return mapCharacters(text, [](char32_t c, Text& out) {
        if (inCp932(c)) return false;
        char code[16];
        std::snprintf(code, sizeof code, " U+%04X", static_cast<unsigned>(c));
        out += "〔";
        appendUtf8(out, c);
        out += code;
        out += "〕";
        return true;
    });
}

Text toCp932Safe(std::string_view text) {
    return mapCharacters(text, [](char32_t c, Text& out) {
        const char32_t to = inCp932(c) ? 0 : counterpart(c);
        if (to == 0) return false;
        appendUtf8(out, to);
        return true;
    });
}

}  // namespace kk::convert
