// Encoded words by RFC 2047, ISO-2022-JP by a small shift-state machine whose
// two-byte pairs map through CP932's table (it holds the NEC and IBM rows that
// Windows mailers put into ISO-2022-JP too).
#include "convert/mime/nkf_decoder.h"

#include "core/big_buffer.h"
#include "core/text_codec.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>

namespace kk::nkf {

namespace {

constexpr char kEsc = '\x1b';
// SO and SI: half-width katakana in and out, as Windows' ISO-2022-JP
// variant (code page 50222) writes them.
constexpr char kShiftOut = '\x0e', kShiftIn = '\x0f';

bool isJisByte(unsigned char c) { return c >= 0x21 && c <= 0x7E; }

// A JIS X 0208 pair as CP932 bytes.
void appendSjisPair(std::string& out, unsigned j1, unsigned j2) {
    unsigned s1 = ((j1 - 0x21) >> 1) + 0x81;
    if (s1 > 0x9F) s1 += 0x40;
    unsigned s2;
    if (j1 & 1) {
        s2 = j2 + 0x1F;
        if (s2 >= 0x7F) ++s2;
    } else {
        s2 = j2 + 0x7E;
    }
    out.push_back(static_cast<char>(s1));
    out.push_back(static_cast<char>(s2));
}

// JIS X 0208 (with the NEC and IBM rows of CP932) to Unicode, one entry per
// pair of bytes 0x21..0x7E; 0 where CP932 has no character. Built once from
// the CP932 converter, so a run of kanji needs no converter call.
const std::array<char32_t, 94 * 94>& jisTable() {
    static const auto table = [] {
        std::array<char32_t, 94 * 94> t{};
        for (unsigned j1 = 0x21; j1 <= 0x7E; ++j1)
            for (unsigned j2 = 0x21; j2 <= 0x7E; ++j2) {
                std::string sjis;
                appendSjisPair(sjis, j1, j2);
                const auto text = decodeCharset(sjis, "windows-31j");
                if (!text || text->empty()) continue;
                std::size_t k = 0;
                const char32_t c = nextCodePoint(*text, k);
                if (k == text->size()) t[(j1 - 0x21) * 94 + (j2 - 0x21)] = c;
            }
        return t;
    }();
    return table;
}

class JisDecoder {
public:
    JisDecoder(std::string& out, bool broken) : out_(out), broken_(broken) {}

    void run(std::string_view text) {
        std::size_t i = 0;
        const std::size_t n = text.size();
        auto at = [&](std::size_t k) -> unsigned { return k < n ? static_cast<unsigned char>(text[k]) : 0u; };
        while (i < n) {
            if (mode_ == Mode::Ascii) {
                // Plain text up to the next byte that may shift, in one piece.
                std::size_t stop = i;
                while (stop < n && text[stop] != kEsc && text[stop] != kShiftOut && !(broken_ && text[stop] == '$'))
                    ++stop;
                if (stop > i) {
                    for (std::size_t k = i; k < stop && !passedHighBytes_; ++k)
                        passedHighBytes_ = static_cast<unsigned char>(text[k]) >= 0x80;
                    out_.append(text.substr(i, stop - i));
                    i = stop;
                    continue;
                }
            }
            const unsigned c = at(i);
            if (c == static_cast<unsigned char>(kShiftOut) && mode_ != Mode::Kana) {
                beforeShiftOut_ = mode_;
                shift(Mode::Kana);
                i += 1;
                continue;
            }
            if (c == static_cast<unsigned char>(kShiftIn) && mode_ == Mode::Kana) {
                shift(beforeShiftOut_);
                i += 1;
                continue;
            }
            if (c == static_cast<unsigned char>(kEsc)) {
                const unsigned a = at(i + 1), b = at(i + 2);
                if (a == '$' && (b == 'B' || b == '@')) {
                    shift(Mode::Kanji);
                    i += 3;
                    continue;
                }
                if (a == '(' && (b == 'B' || b == 'J')) {
                    shift(Mode::Ascii);
                    i += 3;
                    continue;
                }
                if (a == '(' && b == 'I') {
                    shift(Mode::Kana);
                    i += 3;
                    continue;
                }
            }
            if (broken_ && mode_ == Mode::Ascii && c == '$' && (at(i + 1) == 'B' || at(i + 1) == '@') &&
                isJisByte(static_cast<unsigned char>(at(i + 2))) && isJisByte(static_cast<unsigned char>(at(i + 3)))) {
                shift(Mode::Kanji);
                i += 2;
                continue;
            }
            if (broken_ && mode_ == Mode::Kanji && c == '(' && (at(i + 1) == 'B' || at(i + 1) == 'J')) {
                shift(Mode::Ascii);
                i += 2;
                continue;
            }
            if (mode_ == Mode::Kanji && isJisByte(static_cast<unsigned char>(c)) &&
                isJisByte(static_cast<unsigned char>(at(i + 1)))) {
                // A pair CP932 lacks stays as its two bytes.
                const char32_t u = table_[(c - 0x21) * 94 + (at(i + 1) - 0x21)];
                if (u) appendUtf8(out_, u);
                else out_.append(text.substr(i, 2));
                i += 2;
                continue;
            }
            if (mode_ == Mode::Kana && c >= 0x21 && c <= 0x5F) {
                appendUtf8(out_, 0xFF61 + (c - 0x21));
                i += 1;
                continue;
            }
            // A line end (or anything that is no JIS byte) ends a shifted run:
            // mail lines never carry the shift state over.
            if (mode_ != Mode::Ascii && (c == '\r' || c == '\n' || c >= 0x80)) mode_ = Mode::Ascii;
            if (c >= 0x80) passedHighBytes_ = true;
            out_.push_back(static_cast<char>(c));
            ++i;
        }
    }

    // Whether bytes of 0x80 and up went through as they were (they may not
    // be UTF-8; everything the decoder makes itself is).
    bool passedHighBytes() const { return passedHighBytes_; }

private:
    enum class Mode { Ascii, Kanji, Kana };

    void shift(Mode mode) { mode_ = mode; }

    std::string& out_;
    bool broken_;
    Mode mode_ = Mode::Ascii;
    Mode beforeShiftOut_ = Mode::Ascii;
    bool passedHighBytes_ = false;
    const std::array<char32_t, 94 * 94>& table_ = jisTable();
};

constexpr std::array<std::int8_t, 256> kBase64 = [] {
    std::array<std::int8_t, 256> t{};
    t.fill(-1);
    const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(digits[i])] = static_cast<std::int8_t>(i);
    return t;
}();

bool base64Decode(std::string_view s, std::string& out) {
    std::size_t end = s.size();
    while (end > 0 && s[end - 1] == '=') --end;  // padding only at the end
    out.resize(end / 4 * 3 + 3);
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    std::size_t w = 0, i = 0;
    auto value = [&](std::size_t k) { return kBase64[static_cast<unsigned char>(s[k])]; };
    for (; i + 4 <= end; i += 4) {
        const int a = value(i), b = value(i + 1), c = value(i + 2), d = value(i + 3);
        if ((a | b | c | d) < 0) return false;
        const std::uint32_t v =
            (std::uint32_t(a) << 18) | (std::uint32_t(b) << 12) | (std::uint32_t(c) << 6) | std::uint32_t(d);
        o[w++] = static_cast<unsigned char>(v >> 16);
        o[w++] = static_cast<unsigned char>(v >> 8);
        o[w++] = static_cast<unsigned char>(v);
    }
    // Two or three characters left make one or two bytes; a single one, none.
    std::uint32_t v = 0;
    int bits = 0;
    for (; i < end; ++i) {
        const int x = value(i);
        if (x < 0) return false;
        v = (v << 6) | std::uint32_t(x);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            o[w++] = static_cast<unsigned char>(v >> bits);
        }
    }
    out.resize(w);
    return true;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool qDecode(std::string_view s, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '_') {
            out.push_back(' ');
        } else if (s[i] == '=') {
            const int hi = i + 1 < s.size() ? hexValue(s[i + 1]) : -1;
            const int lo = i + 2 < s.size() ? hexValue(s[i + 2]) : -1;
            if (hi < 0 || lo < 0) return false;
            out.push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return true;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (asciiLower(s[i]) != prefix[i]) return false;
    return true;
}

// Decodes the encoded word starting at `at` ("=?") onto the end of `out` and
// returns where it ends; npos (and `out` as it was) when the word is
// malformed, of an unknown charset, or does not decode.
std::size_t decodeWordInto(std::string& out, std::string_view text, std::size_t at) {
    constexpr std::size_t npos = std::string_view::npos;
    auto bad = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '?'; };
    std::size_t p = at + 2;
    const std::size_t charsetStart = p;
    while (p < text.size() && !bad(text[p])) ++p;
    if (p >= text.size() || text[p] != '?' || p == charsetStart) return npos;
    std::string_view charset = text.substr(charsetStart, p - charsetStart);
    if (const auto star = charset.find('*'); star != std::string_view::npos)
        charset = charset.substr(0, star);  // RFC 2231 language
    ++p;
    if (p + 1 >= text.size() || text[p + 1] != '?') return npos;
    const char encoding = asciiLower(text[p]);
    if (encoding != 'b' && encoding != 'q') return npos;
    p += 2;
    const std::size_t payloadStart = p;
    while (p < text.size() && !bad(text[p])) ++p;
    if (p + 1 >= text.size() || text[p] != '?' || text[p + 1] != '=') return npos;
    const std::string_view payload = text.substr(payloadStart, p - payloadStart);
    thread_local std::string bytes;
    if (!(encoding == 'b' ? base64Decode(payload, bytes) : qDecode(payload, bytes))) return npos;
    const std::size_t before = out.size();
    if (startsWithNoCase(charset, "iso-2022-jp")) {
        JisDecoder jis(out, false);
        jis.run(bytes);
        // Bytes the shifts did not explain pass through; they must still be text.
        if (jis.passedHighBytes() && !isValidUtf8(std::string_view(out).substr(before))) {
            out.resize(before);
            return npos;
        }
    } else {
        const auto decoded = decodeCharset(bytes, std::string(charset));
        if (!decoded) return npos;
        out.append(*decoded);
    }
    return p + 2;
}

// Where the white space after an encoded word ends, folds (a line end and
// then a blank) included; RFC 2047 drops it between two encoded words.
std::size_t skipFoldingSpace(std::string_view text, std::size_t p) {
    while (true) {
        while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
        if (p + 2 < text.size() && text[p] == '\r' && text[p + 1] == '\n' &&
            (text[p + 2] == ' ' || text[p + 2] == '\t')) {
            p += 2;
            continue;
        }
        if (p + 1 < text.size() && text[p] == '\n' && (text[p + 1] == ' ' || text[p + 1] == '\t')) {
            p += 1;
            continue;
        }
        return p;
    }
}

thread_local Options currentOptions;

}  // namespace

Options parseOptions(std::string_view letters) {
    Options o;
    for (const char c : letters) {
        if (c == 'm') o.mime = true;
        else if (c == 'B') o.brokenJis = true;
    }
    return o;
}

std::string decode(std::string_view text, const Options& options) {
    std::string out;
    reserveText(out, text.size());
    std::size_t plainStart = 0;  // the text since the last word, JIS-decoded as a piece
    auto flushPlain = [&](std::size_t upTo) {
        if (upTo > plainStart) JisDecoder(out, options.brokenJis).run(text.substr(plainStart, upTo - plainStart));
    };
    thread_local std::string words;  // decoded apart first: a failed word leaves no trace
    std::size_t i = options.mime ? text.find("=?") : std::string_view::npos;
    while (i != std::string_view::npos) {
        words.clear();
        std::size_t end = decodeWordInto(words, text, i);
        if (end == std::string_view::npos) {  // not a word: it stays part of the plain text
            i = text.find("=?", i + 1);
            continue;
        }
        // Adjacent encoded words join: the space between them goes.
        while (true) {
            const std::size_t next = skipFoldingSpace(text, end);
            if (next == end || text.compare(next, 2, "=?") != 0) break;
            const std::size_t after = decodeWordInto(words, text, next);
            if (after == std::string_view::npos) break;
            end = after;
        }
        flushPlain(i);
        out.append(words);
        plainStart = end;
        i = text.find("=?", end);
    }
    flushPlain(text.size());
    return out;
}

void SetNkfOption(std::string_view letters) { currentOptions = parseOptions(letters); }

std::string NkfConvertString(std::string_view in, std::size_t capacity) {
    std::string text = decode(in, currentOptions);
    std::size_t n = std::min(text.size(), capacity);
    // Never cut a character in half at the capacity.
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    text.resize(n);
    return text;
}

void NkfConvert(char* out, std::size_t capacity, const char* in) {
    const std::string text = NkfConvertString(std::string_view(in, std::strlen(in)), capacity);
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
}

}  // namespace kk::nkf
