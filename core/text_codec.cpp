// Line-end and encoding crossings of the working text.
#include "core/text_codec.h"

#include "core/big_buffer.h"

#include <unicode/ucnv.h>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif
#include <unicode/uchar.h>
#include <unicode/ucsdet.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kk {

bool writeAll(std::FILE* out, std::string_view text) {
    const bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return std::fflush(out) == 0 && ok && !std::ferror(out);
}

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define KK_UTF8_AVX2 1
#endif

std::size_t validUtf8Prefix(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    auto cont = [&](std::size_t i) { return i < n && (p[i] & 0xC0) == 0x80; };
    std::size_t i = 0;
    while (i < n) {
        const unsigned c = p[i];
        std::size_t len = 0;
        if (c < 0x80) len = 1;
        else if (c >= 0xC2 && c < 0xE0 && cont(i + 1)) len = 2;
        else if (c >= 0xE0 && c < 0xF0 && cont(i + 1) && cont(i + 2) && !(c == 0xE0 && p[i + 1] < 0xA0) &&
                 !(c == 0xED && p[i + 1] > 0x9F))
            len = 3;
        else if (c >= 0xF0 && c <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3) &&
                 !(c == 0xF0 && p[i + 1] < 0x90) && !(c == 0xF4 && p[i + 1] > 0x8F))
            len = 4;
        if (len == 0) return i;
        i += len;
    }
    return n;
}

bool startsCharacter(std::string_view s, std::size_t pos) {
    return validUtf8Prefix(s.substr(pos, std::min<std::size_t>(4, s.size() - pos))) > 0;
}

namespace {

bool continues(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
// How many bytes the sequence a lead byte starts says it has (1 for a byte
// that leads none).
std::size_t sequenceLength(unsigned char lead) { return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1; }

}  // namespace

std::size_t unfinishedTail(std::string_view bytes) {
    for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const char b = bytes[bytes.size() - back];
        if (!continues(b)) return sequenceLength(static_cast<unsigned char>(b)) > back ? bytes.size() - back : bytes.size();
    }
    return bytes.size();
}

bool Utf8Pieces::take(std::string_view piece) {
    if (!valid_) return false;
    // First the character the last piece left open, finished from this one:
    // the piece itself is checked where it lies, not copied.
    if (!carry_.empty()) {
        const std::size_t need = sequenceLength(static_cast<unsigned char>(carry_.front()));
        const std::size_t more = std::min(need - carry_.size(), piece.size());
        carry_.append(piece.substr(0, more));
        piece.remove_prefix(more);
        if (carry_.size() < need) return true;
        valid_ = isValidUtf8(carry_);
        carry_.clear();
        if (!valid_) return false;
    }
    // An unfinished character at the end waits for its next bytes.
    const std::size_t cut = unfinishedTail(piece);
    carry_.assign(piece.substr(cut));
    valid_ = isValidUtf8(piece.substr(0, cut));
    return valid_;
}

void forEachValidRun(std::string_view s, const std::function<void(std::string_view, bool)>& visit) {
    if (isValidUtf8(s)) {
        if (!s.empty()) visit(s, true);
        return;
    }
    while (!s.empty()) {
        const std::size_t good = validUtf8Prefix(s);
        if (good > 0) visit(s.substr(0, good), true);
        if (good == s.size()) return;
        visit(s.substr(good, 1), false);
        s.remove_prefix(good + 1);
    }
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
        return;
    }
    char b[4];  // one append, not one capacity check per byte
    std::size_t n;
    if (cp < 0x800) {
        b[0] = static_cast<char>(0xC0 | (cp >> 6));
        b[1] = static_cast<char>(0x80 | (cp & 0x3F));
        n = 2;
    } else if (cp < 0x10000) {
        b[0] = static_cast<char>(0xE0 | (cp >> 12));
        b[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        b[2] = static_cast<char>(0x80 | (cp & 0x3F));
        n = 3;
    } else {
        b[0] = static_cast<char>(0xF0 | (cp >> 18));
        b[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        b[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        b[3] = static_cast<char>(0x80 | (cp & 0x3F));
        n = 4;
    }
    out.append(b, n);
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

// How many bytes CP932 gives each BMP code point, by ICU's converter with its
// best-fit mappings for symbols (〜 − ‖ — are there); 0 where CP932 has
// nothing, drops the character, or has an ideograph only as another one (俠
// as 侠). Built once, lazily, 64 KB.
const std::array<std::uint8_t, 0x10000>& cp932Lengths() {
    static std::array<std::uint8_t, 0x10000> lengths{};
    static std::once_flag once;
    std::call_once(once, [] {
        ConverterPtr conv = openCp932();
        if (!conv) return;
        UErrorCode status = U_ZERO_ERROR;
        ucnv_setFromUCallBack(conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        ucnv_setFallback(conv.get(), true);
        ConverterPtr reverse = openCp932();
        char buf[8];
        for (UChar c = 1; c != 0; ++c) {
            if (U16_IS_SURROGATE(c)) continue;
            status = U_ZERO_ERROR;
            ucnv_reset(conv.get());
            const int32_t n = ucnv_fromUChars(conv.get(), buf, sizeof buf, &c, 1, &status);
            if (U_FAILURE(status) || n <= 0 || n > 2) continue;
            if (u_hasBinaryProperty(c, UCHAR_IDEOGRAPHIC) || u_charType(c) == U_PRIVATE_USE_CHAR) {
                // Only where the mapping goes both ways: the same character.
                UChar back[4];
                UErrorCode s2 = U_ZERO_ERROR;
                if (reverse) ucnv_resetToUnicode(reverse.get());
                const int32_t m = reverse ? ucnv_toUChars(reverse.get(), back, 4, buf, n, &s2) : 0;
                if (U_FAILURE(s2) || m != 1 || back[0] != c) continue;
            }
            lengths[c] = static_cast<std::uint8_t>(n);
        }
        lengths[0] = 1;  // NUL
    });
    return lengths;
}

}  // namespace

std::optional<std::string> decodeCharset(std::string_view bytes, const std::string& charset) {
    std::string name(charset);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (name == "utf-8" || name == "utf8") {
        if (!isValidUtf8(bytes)) return std::nullopt;
        return std::string(bytes);
    }
    // Mail that says Shift_JIS is written by Windows mailers: read it as CP932.
    if (name == "shift_jis" || name == "shift-jis" || name == "sjis" || name == "x-sjis") name = "windows-31j";
    // Opening a converter is slow next to one encoded word: keep them.
    thread_local std::map<std::string, ConverterPtr> cache;
    auto it = cache.find(name);
    if (it == cache.end()) {
        UErrorCode status = U_ZERO_ERROR;
        ConverterPtr conv(ucnv_open(name.c_str(), &status));
        if (U_FAILURE(status) || status == U_AMBIGUOUS_ALIAS_WARNING) conv.reset();
        if (conv) {
            status = U_ZERO_ERROR;
            ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        }
        it = cache.emplace(name, std::move(conv)).first;
    }
    UConverter* conv = it->second.get();
    if (!conv) return std::nullopt;
    ucnv_resetToUnicode(conv);
    thread_local std::u16string u16;
    u16.resize(bytes.size() + 1);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(conv, reinterpret_cast<UChar*>(u16.data()), static_cast<int32_t>(u16.size()),
                                    bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) return std::nullopt;
    std::string out(static_cast<std::size_t>(n) * 3, '\0');
    int32_t length = 0;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &length, reinterpret_cast<const UChar*>(u16.data()), n,
                &status);
    if (U_FAILURE(status)) return std::nullopt;  // a lone surrogate, say
    out.resize(static_cast<std::size_t>(length));
    return out;
}

bool convertCp932(std::string_view bytes, std::string& out, bool* hadErrors, bool stopAtError) {
    ConverterPtr conv = openCp932();
    if (!conv) return false;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(conv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    reserveText(out, out.size() + bytes.size() + bytes.size() / 2);
    // Slices of 64 K code units keep every ICU length far inside 32 bits.
    constexpr std::size_t kSlice = 1 << 16;
    std::u16string u16(kSlice, u'\0');
    const char* src = bytes.data();
    const char* const end = src + bytes.size();
    bool errors = false;
    while (src < end) {
        UChar* target = reinterpret_cast<UChar*>(u16.data());
        UChar* const targetEnd = target + u16.size();
        status = U_ZERO_ERROR;
        const char* const before = src;
        ucnv_toUnicode(conv.get(), &target, targetEnd, &src, end, nullptr, true, &status);
        const auto* produced = reinterpret_cast<const UChar*>(u16.data());
        const int32_t n = static_cast<int32_t>(target - produced);
        for (int32_t i = 0; i < n;) {
            UChar32 c;
            U16_NEXT(produced, i, n, c);
            appendUtf8(out, static_cast<char32_t>(c));
        }
        if (status == U_BUFFER_OVERFLOW_ERROR) continue;
        if (U_FAILURE(status)) {
            errors = true;
            if (stopAtError) break;
            // The bytes that did not decode go through as they are.
            char bad[32];
            int8_t len = sizeof bad;
            UErrorCode e = U_ZERO_ERROR;
            ucnv_getInvalidChars(conv.get(), bad, &len, &e);
            if (U_SUCCESS(e) && len > 0) out.append(bad, static_cast<std::size_t>(len));
            else if (src == before && src < end) out.push_back(*src++);
            continue;
        }
        if (src == before) break;
    }
    if (hadErrors) *hadErrors = errors;
    return true;
}

namespace {

// Whether ICU's charset detection names Shift_JIS clearly. It reads a
// sample from the start (its statistics settle long before a few MB, and a
// huge input would cost seconds); the whole input must still decode.
bool detectedAsShiftJis(std::string_view bytes) {
    constexpr std::size_t kSample = std::size_t{4} << 20;
    constexpr int32_t kClearConfidence = 50;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)> det(ucsdet_open(&status), &ucsdet_close);
    if (U_FAILURE(status)) return false;
    const std::string_view sample = bytes.substr(0, kSample);
    ucsdet_setText(det.get(), sample.data(), static_cast<int32_t>(sample.size()), &status);
    const UCharsetMatch* match = ucsdet_detect(det.get(), &status);
    if (U_FAILURE(status) || !match) return false;
    const char* name = ucsdet_getName(match, &status);
    const int32_t confidence = ucsdet_getConfidence(match, &status);
    if (U_FAILURE(status) || !name) return false;
    const std::string_view n(name);
    return (n == "Shift_JIS" || n == "windows-31j") && confidence >= kClearConfidence;
}

// Whether a text decoded from CP932 holds kana or Japanese punctuation
// (U+3000-30FF, U+FF01-FF60). Their CP932 lead bytes 0x81-0x83 are no letters
// in Latin-1 or CP1252, so a Western text never decodes to them; ICU's
// detection needs more text than a short list entry gives.
bool holdsKana(std::string_view utf8) {
    for (std::size_t at = utf8.find_first_of("\xE3\xEF"); at != std::string_view::npos && at + 2 < utf8.size();
         at = utf8.find_first_of("\xE3\xEF", at + 1)) {
        const auto b1 = static_cast<unsigned char>(utf8[at + 1]), b2 = static_cast<unsigned char>(utf8[at + 2]);
        // Half-width katakana (U+FF61-FF9F) do not count: Latin-1's capitals decode to them.
        if (utf8[at] == '\xE3' ? b1 >= 0x80 && b1 <= 0x83 : b1 == 0xBC || (b1 == 0xBD && b2 <= 0xA0)) return true;
    }
    return false;
}

// The one decision for a whole input; `converted` holds the text when it is
// CP932 or Latin-1.
}  // namespace

bool takenAsTheyAre(std::string_view bytes, InputEncoding wanted) {
    if (wanted == InputEncoding::Utf8) return true;
    if (wanted != InputEncoding::Auto) return false;
    // Cut after a line feed, which no CP932 character holds: the start then
    // reads as CP932 exactly as it does within the whole.
    const std::size_t end = bytes.substr(0, std::size_t{64} << 10).rfind('\n');
    if (end == std::string_view::npos) return false;
    std::string converted;
    bool errors = false;
    return convertCp932(bytes.substr(0, end + 1), converted, &errors, true) && errors;
}

DecodedAs decideEncoding(std::string_view bytes, InputEncoding wanted, std::string& converted) {
    if (wanted == InputEncoding::Cp932) return convertCp932(bytes, converted) ? DecodedAs::Cp932 : DecodedAs::Bytes;
    if (wanted == InputEncoding::Latin1) {
        // Every byte is a character: nothing can fail or be lost.
        reserveText(converted, bytes.size() + bytes.size() / 4);
        for (const char c : bytes) appendUtf8(converted, static_cast<unsigned char>(c));
        return DecodedAs::Latin1;
    }
    if (isValidUtf8(bytes)) return DecodedAs::Utf8;
    if (wanted == InputEncoding::Auto) {
        // CP932 only when all of it decodes (one pass, given up at the first
        // byte that does not) and it reads as Japanese: ICU's detection is
        // clear, or the text holds kana.
        bool errors = false;
        if (convertCp932(bytes, converted, &errors, true) && !errors &&
            (detectedAsShiftJis(bytes) || holdsKana(converted)))
            return DecodedAs::Cp932;
        converted.clear();
    }
    return DecodedAs::Bytes;
}

std::string decodeBytes(std::string_view bytes, InputEncoding wanted, DecodedAs* decidedAs) {
    std::string out;
    const DecodedAs as = decideEncoding(bytes, wanted, out);
    if (as != DecodedAs::Cp932 && as != DecodedAs::Latin1) {
        reserveText(out, bytes.size());
        out.append(bytes);
    }
    if (decidedAs) *decidedAs = as;
    return out;
}

std::string decodeBytes(std::string&& bytes, InputEncoding wanted, DecodedAs* decidedAs) {
    std::string converted;
    const DecodedAs as = decideEncoding(bytes, wanted, converted);
    if (decidedAs) *decidedAs = as;
    return as == DecodedAs::Cp932 || as == DecodedAs::Latin1 ? std::move(converted) : std::move(bytes);
}

namespace {

// Each BMP code point's CP932 width, or its UTF-8 length where CP932 has
// none: what a character counts for, in one lookup.
const std::array<std::uint8_t, 0x10000>& cp932Widths() {
    static const std::array<std::uint8_t, 0x10000> widths = [] {
        const auto& lengths = cp932Lengths();
        std::array<std::uint8_t, 0x10000> w{};
        for (std::size_t cp = 0; cp < w.size(); ++cp)
            w[cp] = lengths[cp] ? lengths[cp] : cp < 0x80 ? 1 : cp < 0x800 ? 2 : 3;
        return w;
    }();
    return widths;
}

#ifdef KK_UTF8_AVX2
// Valid UTF-8, 64 bytes a step: code points are the bytes that continue
// none, line ends the LF bytes, ASCII counts one CP932 byte and a 4-byte
// character four; only a 2- or 3-byte character's lead is visited, for one
// width lookup. Returns where it stopped (a step's last character may end
// past it). `afterCr`: the byte before p is a CR.
struct TallyMasks {
    std::uint32_t notCont, nonAscii, lead4, lfs, crs;
};
__attribute__((target("avx2"))) inline TallyMasks tallyMasks(const unsigned char* q) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q));
    TallyMasks m;
    m.notCont = static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_cmpgt_epi8(v, _mm256_set1_epi8(static_cast<char>(0xBF)))));  // signed
    m.nonAscii = static_cast<std::uint32_t>(_mm256_movemask_epi8(v));
    m.lead4 = static_cast<std::uint32_t>(_mm256_movemask_epi8(
                  _mm256_cmpgt_epi8(v, _mm256_set1_epi8(static_cast<char>(0xEF))))) & m.nonAscii;
    m.lfs = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\n'))));
    m.crs = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\r'))));
    return m;
}

__attribute__((target("avx2,popcnt,bmi"))) std::size_t tallyValidAvx2(const unsigned char* p, std::size_t n,
                                                                        bool afterCr, TextTally& t) {
    const std::uint8_t* width = cp932Widths().data();
    std::int64_t points = 0, ends = 0, bytes = 0, crlfs = 0;
    std::uint64_t crCarry = afterCr ? 1 : 0;
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const TallyMasks lo = tallyMasks(p + i), hi = tallyMasks(p + i + 32);
        const std::uint64_t notCont = lo.notCont | (std::uint64_t{hi.notCont} << 32);
        const std::uint64_t nonAscii = lo.nonAscii | (std::uint64_t{hi.nonAscii} << 32);
        const std::uint64_t lead4 = lo.lead4 | (std::uint64_t{hi.lead4} << 32);
        const std::uint64_t lfs = lo.lfs | (std::uint64_t{hi.lfs} << 32);
        const std::uint64_t crs = lo.crs | (std::uint64_t{hi.crs} << 32);
        points += __builtin_popcountll(notCont);
        ends += __builtin_popcountll(lfs);
        crlfs += __builtin_popcountll(lfs & ((crs << 1) | crCarry));
        crCarry = crs >> 63;
        bytes += 64 - __builtin_popcountll(nonAscii) + 4 * __builtin_popcountll(lead4);
        for (std::uint64_t m = notCont & nonAscii & ~lead4; m; m &= m - 1) {
            const unsigned char* q = p + i + static_cast<std::size_t>(__builtin_ctzll(m));
            const unsigned b0 = q[0];
            const unsigned cp = b0 < 0xE0 ? ((b0 & 0x1Fu) << 6) | (q[1] & 0x3Fu)
                                          : ((b0 & 0x0Fu) << 12) | ((q[1] & 0x3Fu) << 6) | (q[2] & 0x3Fu);
            bytes += width[cp];
        }
    }
    t.codePoints += points;
    t.lineEnds += ends;
    t.crlfs += crlfs;
    t.cp932Bytes += bytes;
    return i;
}
#endif

// Bytes [i, end) of s one character (or eight ASCII bytes) at a time;
// `checked`: the bytes may hold stray ones, each then a unit of its own.
void tallyScalar(std::string_view s, std::size_t i, std::size_t end, bool checked, TextTally& t) {
    const auto& lengths = cp932Lengths();
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    auto endsCrLf = [&](std::size_t lf) { return lf > 0 && p[lf - 1] == '\r'; };
    while (i < end) {
        // Eight ASCII bytes: each a code point and a CP932 byte; the LFs among
        // them are the zero bytes of the word XOR "\n\n…".
        if (end - i >= 8) {
            std::uint64_t w;
            std::memcpy(&w, p + i, 8);
            if ((w & 0x8080808080808080ULL) == 0) {
                const std::uint64_t x = w ^ 0x0A0A0A0A0A0A0A0AULL;
                // Exact per byte (no borrow from one byte into the next).
                constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
                const std::uint64_t zero = ~(((x & kLow7) + kLow7) | x) & 0x8080808080808080ULL;
                // The marks' sum by one multiply (no popcount instruction in the baseline).
                t.lineEnds += static_cast<std::int64_t>(((zero >> 7) * 0x0101010101010101ULL) >> 56);
                for (std::uint64_t m = zero; m; m &= m - 1)
                    t.crlfs += endsCrLf(i + static_cast<std::size_t>(__builtin_ctzll(m)) / 8);
                t.codePoints += 8;
                t.cp932Bytes += 8;
                i += 8;
                continue;
            }
        }
        const unsigned c = p[i];
        if (c < 0x80) {
            ++t.codePoints;
            ++t.cp932Bytes;
            if (c == '\n') {
                ++t.lineEnds;
                t.crlfs += endsCrLf(i);
            }
            ++i;
            continue;
        }
        if (!checked) {
            // Valid UTF-8: the sequence's length from its lead byte, no checks.
            ++t.codePoints;
            if (c < 0xE0) {
                const char32_t cp = ((c & 0x1Fu) << 6) | (p[i + 1] & 0x3Fu);
                const std::uint8_t known = lengths[cp];
                t.cp932Bytes += known ? known : 2;
                i += 2;
            } else if (c < 0xF0) {
                const char32_t cp = ((c & 0x0Fu) << 12) | ((p[i + 1] & 0x3Fu) << 6) | (p[i + 2] & 0x3Fu);
                const std::uint8_t known = lengths[cp];
                t.cp932Bytes += known ? known : 3;
                i += 3;
            } else {
                t.cp932Bytes += 4;  // beyond the BMP: nothing in CP932
                i += 4;
            }
            continue;
        }
        // A byte that starts no valid sequence is one unit on its own, so it
        // never swallows a line end after it.
        if (!startsCharacter(s, i)) {
            ++t.codePoints;
            ++t.cp932Bytes;
            ++i;
            continue;
        }
        const std::size_t before = i;
        const char32_t cp = nextCodePoint(s, i);
        ++t.codePoints;
        const std::uint8_t known = cp < 0x10000 ? lengths[cp] : 0;
        t.cp932Bytes += known ? known : static_cast<std::int64_t>(i - before);
    }
}

TextTally tallyPart(std::string_view s) {
    TextTally t;
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    // Block by block, each checked as UTF-8 and then counted while it is
    // still in the cache: the text comes from memory once. From the first
    // block with a stray byte on, each byte is looked at on its own.
    constexpr std::size_t kBlock = std::size_t{128} << 10;
    while (i < n) {
        std::size_t end = std::min(n, i + kBlock);
        while (end < n && end > i && (p[end] & 0xC0) == 0x80) --end;  // a block holds whole characters
        if (end == i) end = std::min(n, i + kBlock);                   // none start here: stray bytes
        const std::string_view block = s.substr(i, end - i);
        if (!isValidUtf8(block)) {
            t.valid = false;
            break;
        }
        std::size_t at = i;
#ifdef KK_UTF8_AVX2
        static const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt") &&
                                 __builtin_cpu_supports("bmi");
        if (avx2) {
            at += tallyValidAvx2(p + i, end - i, i > 0 && p[i - 1] == '\r', t);
            // The continuation bytes of the last character counted.
            while (at < end && (p[at] & 0xC0) == 0x80) ++at;
        }
#endif
        tallyScalar(s, at, end, false, t);
        i = end;
    }
    tallyScalar(s, i, n, true, t);
    return t;
}

}  // namespace

void TextTally::add(const TextTally& next, bool crLfBetween) {
    codePoints += next.codePoints;
    lineEnds += next.lineEnds;
    cp932Bytes += next.cp932Bytes;
    crlfs += next.crlfs + (crLfBetween ? 1 : 0);
    valid = valid && next.valid;
}

bool inTwoHalves(std::size_t bytes) {
    constexpr std::size_t kSplitFrom = std::size_t{16} << 20;
    return bytes >= kSplitFrom && std::thread::hardware_concurrency() >= 2;
}

// A big text in two halves, split where a character starts (a byte that is
// no continuation), so no character is cut.
TextTally tallyText(std::string_view s) {
    if (!inTwoHalves(s.size())) return tallyPart(s);
    std::size_t mid = s.size() / 2;
    while (mid < s.size() && continues(s[mid])) ++mid;
    TextTally second;
    std::thread worker([&] { second = tallyPart(s.substr(mid)); });
    TextTally t = tallyPart(s.substr(0, mid));
    worker.join();
    t.add(second, mid < s.size() && s[mid - 1] == '\r' && s[mid] == '\n');
    return t;
}

bool readInPieces(std::size_t from, std::size_t to, const ReadAt& read, int& error,
                  const std::function<bool(std::string_view)>& each) {
    constexpr std::size_t kPiece = std::size_t{256} << 10;
    std::vector<char> buffer(kPiece + 8);
    std::size_t carried = 0;
    while (from < to) {
        const std::ptrdiff_t n = read(from, buffer.data() + carried, std::min(to - from, kPiece));
        if (n < 0) {
            error = static_cast<int>(-n);
            return false;
        }
        const bool last = n == 0 || from + static_cast<std::size_t>(n) >= to;
        from += static_cast<std::size_t>(n);
        const std::size_t length = carried + static_cast<std::size_t>(n);
        std::size_t cut = length;
        if (!last) {
            cut = unfinishedTail(std::string_view(buffer.data(), length));
            if (cut > 0 && buffer[cut - 1] == '\r') --cut;
        }
        if (!each(std::string_view(buffer.data(), cut))) return true;
        carried = length - cut;
        std::memmove(buffer.data(), buffer.data() + cut, carried);
        if (n == 0) break;
    }
    return true;
}

bool isValidUtf8Read(std::size_t size, const ReadAt& read, int& error) {
    error = 0;
    bool valid = true;
    readInPieces(0, size, read, error, [&valid](std::string_view piece) { return valid = isValidUtf8(piece); });
    return valid;
}

namespace {

TextTally tallyReadPart(std::size_t from, std::size_t to, const ReadAt& read, int& error) {
    TextTally t;
    readInPieces(from, to, read, error, [&t](std::string_view piece) {
        t.add(tallyPart(piece), false);
        return true;
    });
    return t;
}

}  // namespace

TextTally tallyRead(std::size_t size, const ReadAt& read, int& error) {
    error = 0;
    if (!inTwoHalves(size)) return tallyReadPart(0, size, read, error);
    // The byte before the middle and the four from it: where a character starts.
    std::size_t mid = size / 2;
    char around[5] = {};
    const std::ptrdiff_t got = read(mid - 1, around, sizeof around);
    if (got < 0) {
        error = static_cast<int>(-got);
        return {};
    }
    std::size_t skip = 0;
    while (skip < 4 && 1 + skip < static_cast<std::size_t>(got) && continues(around[1 + skip])) ++skip;
    mid += skip;
    const bool crLf = skip == 0 && got >= 2 && around[0] == '\r' && around[1] == '\n';
    int secondError = 0;
    TextTally second;
    std::thread worker([&] { second = tallyReadPart(mid, size, read, secondError); });
    TextTally t = tallyReadPart(0, mid, read, error);
    worker.join();
    if (!error) error = secondError;
    t.add(second, crLf);
    return t;
}

std::int64_t cp932ByteLength(std::string_view s) { return tallyText(s).cp932Bytes; }

}  // namespace kk
