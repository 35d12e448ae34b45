// Line-end and encoding crossings of the working text.
#include "platform/text_codec.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace kk {

std::string fromPlatformLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32 + 16);
    std::size_t start = 0;
    while (true) {
        const std::size_t lf = text.find('\n', start);
        if (lf == std::string_view::npos) {
            out.append(text.substr(start));
            break;
        }
        out.append(text.substr(start, lf - start));
        if (lf == 0 || text[lf - 1] != '\r') out.push_back('\r');
        out.push_back('\n');
        start = lf + 1;
    }
    return out;
}

std::string toPlatformLineEnds(std::string_view text) {
#ifdef _WIN32
    return std::string(text);
#else
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    while (true) {
        const std::size_t cr = text.find("\r\n", start);
        if (cr == std::string_view::npos) {
            out.append(text.substr(start));
            break;
        }
        out.append(text.substr(start, cr - start));
        out.push_back('\n');
        start = cr + 2;
    }
    return out;
#endif
}

bool isValidUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    while (p < end) {
        // ASCII runs, eight bytes at a time.
        while (end - p >= 8) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            if (w & 0x8080808080808080ULL) break;
            p += 8;
        }
        if (p >= end) break;
        const unsigned c = *p;
        if (c < 0x80) { ++p; continue; }
        int n;
        char32_t cp;
        if (c >= 0xC2 && c <= 0xDF) { n = 1; cp = c & 0x1F; }
        else if (c >= 0xE0 && c <= 0xEF) { n = 2; cp = c & 0x0F; }
        else if (c >= 0xF0 && c <= 0xF4) { n = 3; cp = c & 0x07; }
        else return false;
        if (end - p <= n) return false;
        for (int i = 1; i <= n; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += n + 1;
    }
    return true;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char32_t nextCodePoint(std::string_view s, std::size_t& pos) {
    const auto c = static_cast<unsigned char>(s[pos]);
    if (c < 0x80) { ++pos; return c; }
    int n = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
    char32_t cp = c & (0x3F >> n);
    ++pos;
    for (int i = 0; i < n && pos < s.size(); ++i, ++pos)
        cp = (cp << 6) | (static_cast<unsigned char>(s[pos]) & 0x3F);
    return cp;
}

std::int64_t codePointCount(std::string_view s) {
    std::int64_t n = 0;
    for (const char ch : s)
        if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++n;
    return n;
}

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

ConverterPtr openCp932() {
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr conv(ucnv_open("windows-31j", &status));
    if (U_FAILURE(status)) return nullptr;
    return conv;
}

std::string decodeCp932Line(std::string_view bytes) {
    ConverterPtr conv = openCp932();
    std::string out;
    if (!conv) {
        // Without the converter, keep what is ASCII and mark the rest.
        for (const char ch : bytes) {
            if (static_cast<unsigned char>(ch) < 0x80) out.push_back(ch);
            else appendUtf8(out, 0xFFFD);
        }
        return out;
    }
    std::u16string u16(bytes.size() + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(conv.get(), reinterpret_cast<UChar*>(u16.data()),
                                    static_cast<int32_t>(u16.size()), bytes.data(),
                                    static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) {
        for (std::size_t i = 0; i < bytes.size(); ++i) appendUtf8(out, 0xFFFD);
        return out;
    }
    for (int32_t i = 0; i < n;) {
        UChar32 c;
        U16_NEXT(u16.data(), i, n, c);
        appendUtf8(out, static_cast<char32_t>(c));
    }
    return out;
}

// Which BMP code points CP932 can encode (two bytes unless ASCII / half-width
// katakana); built once, lazily, 8 KB.
const std::array<std::uint64_t, 1024>& cp932Encodable() {
    static std::array<std::uint64_t, 1024> bits{};
    static std::once_flag once;
    std::call_once(once, [] {
        ConverterPtr conv = openCp932();
        if (!conv) return;
        UErrorCode status = U_ZERO_ERROR;
        ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        ucnv_setFallback(conv.get(), false);
        char buf[8];
        for (UChar c = 1; c != 0; ++c) {
            if (U16_IS_SURROGATE(c)) continue;
            status = U_ZERO_ERROR;
            ucnv_reset(conv.get());
            ucnv_fromUChars(conv.get(), buf, sizeof buf, &c, 1, &status);
            if (U_SUCCESS(status)) bits[c >> 6] |= 1ULL << (c & 63);
        }
        bits[0] |= 1;  // NUL
    });
    return bits;
}

}  // namespace

std::string decodeExternalBytes(std::string_view bytes) {
    if (isValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t lf = bytes.find('\n', start);
        const std::size_t stop = lf == std::string_view::npos ? bytes.size() : lf + 1;
        const std::string_view line = bytes.substr(start, stop - start);
        if (isValidUtf8(line)) out.append(line);
        else out.append(decodeCp932Line(line));
        start = stop;
    }
    return out;
}

std::int64_t cp932ByteLength(std::string_view s) {
    const auto& bits = cp932Encodable();
    std::int64_t n = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) { ++n; ++i; continue; }
        const std::size_t before = i;
        const char32_t cp = nextCodePoint(s, i);
        if (cp >= 0xFF61 && cp <= 0xFF9F) n += 1;
        else if (cp < 0x10000 && (bits[cp >> 6] >> (cp & 63) & 1)) n += 2;
        else n += static_cast<std::int64_t>(i - before);
    }
    return n;
}

}  // namespace kk
