// Encoded words by RFC 2047, ISO-2022-JP by a small shift-state machine whose
// two-byte runs go to the CP932 converter (it holds the NEC and IBM rows that
// Windows mailers put into ISO-2022-JP too).
#include "platform/nkf_decoder.h"

#include "platform/text_codec.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <optional>

namespace kk::nkf {

namespace {

constexpr char kEsc = '\x1b';

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

class JisDecoder {
public:
    JisDecoder(std::string& out, bool broken) : out_(out), broken_(broken) {}

    void run(std::string_view text) {
        std::size_t i = 0;
        const std::size_t n = text.size();
        auto at = [&](std::size_t k) -> unsigned { return k < n ? static_cast<unsigned char>(text[k]) : 0u; };
        while (i < n) {
            const unsigned c = at(i);
            if (c == static_cast<unsigned char>(kEsc)) {
                const unsigned a = at(i + 1), b = at(i + 2);
                if (a == '$' && (b == 'B' || b == '@')) { shift(Mode::Kanji); i += 3; continue; }
                if (a == '(' && (b == 'B' || b == 'J')) { shift(Mode::Ascii); i += 3; continue; }
                if (a == '(' && b == 'I') { shift(Mode::Kana); i += 3; continue; }
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
                appendSjisPair(sjis_, c, at(i + 1));
                raw_.append(text.substr(i, 2));
                i += 2;
                continue;
            }
            if (mode_ == Mode::Kana && c >= 0x21 && c <= 0x5F) {
                flush();
                appendUtf8(out_, 0xFF61 + (c - 0x21));
                i += 1;
                continue;
            }
            flush();
            // A line end (or anything that is no JIS byte) ends a shifted run:
            // mail lines never carry the shift state over.
            if (mode_ != Mode::Ascii && (c == '\r' || c == '\n' || c >= 0x80)) mode_ = Mode::Ascii;
            out_.push_back(static_cast<char>(c));
            ++i;
        }
        flush();
    }

private:
    enum class Mode { Ascii, Kanji, Kana };

    void shift(Mode mode) {
        flush();
        mode_ = mode;
    }

    // The two-byte run so far, decoded; a run CP932 cannot read is decoded
    // pair by pair and an unreadable pair stays as its bytes.
    void flush() {
        if (sjis_.empty()) return;
        if (auto text = decodeCharset(sjis_, "windows-31j")) {
            out_.append(*text);
        } else {
            for (std::size_t k = 0; k + 1 < sjis_.size(); k += 2) {
                if (auto one = decodeCharset(std::string_view(sjis_).substr(k, 2), "windows-31j")) out_.append(*one);
                else out_.append(raw_.substr(k, 2));
            }
        }
        sjis_.clear();
        raw_.clear();
    }

    std::string& out_;
    bool broken_;
    Mode mode_ = Mode::Ascii;
    std::string sjis_, raw_;
};

std::optional<std::string> base64Decode(std::string_view s) {
    std::string out;
    out.reserve(s.size() * 3 / 4);
    std::uint32_t acc = 0;
    int bits = 0;
    std::size_t i = 0;
    for (; i < s.size() && s[i] != '='; ++i) {
        const char c = s[i];
        int v;
        if (c >= 'A' && c <= 'Z') v = c - 'A';
        else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
        else if (c >= '0' && c <= '9') v = c - '0' + 52;
        else if (c == '+') v = 62;
        else if (c == '/') v = 63;
        else return std::nullopt;
        acc = (acc << 6) | static_cast<std::uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((acc >> bits) & 0xFF));
        }
    }
    for (; i < s.size(); ++i)
        if (s[i] != '=') return std::nullopt;  // only padding after the first "="
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> qDecode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '_') {
            out.push_back(' ');
        } else if (s[i] == '=') {
            const int hi = i + 1 < s.size() ? hexValue(s[i + 1]) : -1;
            const int lo = i + 2 < s.size() ? hexValue(s[i + 2]) : -1;
            if (hi < 0 || lo < 0) return std::nullopt;
            out.push_back(static_cast<char>(hi * 16 + lo));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

struct Word {
    std::size_t end;  // just past "?="
    std::string text;
};

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    return true;
}

// The encoded word starting at `at` ("=?"), decoded, or nullopt when it is
// malformed, of an unknown charset, or does not decode.
std::optional<Word> encodedWordAt(std::string_view text, std::size_t at) {
    auto bad = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '?'; };
    std::size_t p = at + 2;
    const std::size_t charsetStart = p;
    while (p < text.size() && !bad(text[p])) ++p;
    if (p >= text.size() || text[p] != '?' || p == charsetStart) return std::nullopt;
    std::string charset(text.substr(charsetStart, p - charsetStart));
    if (const auto star = charset.find('*'); star != std::string::npos) charset.resize(star);  // RFC 2231 language
    ++p;
    if (p + 1 >= text.size() || text[p + 1] != '?') return std::nullopt;
    const char encoding = static_cast<char>(std::toupper(static_cast<unsigned char>(text[p])));
    if (encoding != 'B' && encoding != 'Q') return std::nullopt;
    p += 2;
    const std::size_t payloadStart = p;
    while (p < text.size() && !bad(text[p])) ++p;
    if (p + 1 >= text.size() || text[p] != '?' || text[p + 1] != '=') return std::nullopt;
    const std::string_view payload = text.substr(payloadStart, p - payloadStart);
    const auto bytes = encoding == 'B' ? base64Decode(payload) : qDecode(payload);
    if (!bytes) return std::nullopt;
    std::optional<std::string> decoded;
    if (startsWithNoCase(charset, "iso-2022-jp")) {
        std::string out;
        JisDecoder(out, false).run(*bytes);
        decoded = std::move(out);
    } else {
        decoded = decodeCharset(*bytes, charset);
    }
    if (!decoded || !isValidUtf8(*decoded)) return std::nullopt;
    return Word{p + 2, std::move(*decoded)};
}

// Where the white space after an encoded word ends, folds (a line end and
// then a blank) included; RFC 2047 drops it between two encoded words.
std::size_t skipFoldingSpace(std::string_view text, std::size_t p) {
    while (true) {
        while (p < text.size() && (text[p] == ' ' || text[p] == '\t')) ++p;
        if (p + 2 < text.size() && text[p] == '\r' && text[p + 1] == '\n' && (text[p + 2] == ' ' || text[p + 2] == '\t')) {
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
    out.reserve(text.size());
    std::string plain;  // the text between encoded words, JIS-decoded as a piece
    auto flushPlain = [&] {
        if (plain.empty()) return;
        JisDecoder(out, options.brokenJis).run(plain);
        plain.clear();
    };
    std::size_t i = 0;
    while (i < text.size()) {
        if (options.mime && text[i] == '=' && i + 1 < text.size() && text[i + 1] == '?') {
            if (auto word = encodedWordAt(text, i)) {
                flushPlain();
                out.append(word->text);
                i = word->end;
                // Adjacent encoded words join: the space between them goes.
                const std::size_t next = skipFoldingSpace(text, i);
                if (next > i && next + 1 < text.size() && text[next] == '=' && text[next + 1] == '?' &&
                    encodedWordAt(text, next))
                    i = next;
                continue;
            }
        }
        // Up to the next possible encoded word in one go.
        std::size_t stop = options.mime ? text.find("=?", i + 1) : std::string_view::npos;
        if (stop == std::string_view::npos) stop = text.size();
        plain.append(text.substr(i, stop - i));
        i = stop;
    }
    flushPlain();
    return out;
}

void SetNkfOption(std::string_view letters) { currentOptions = parseOptions(letters); }

void NkfConvert(char* out, std::size_t capacity, const char* in) {
    const std::string text = decode(std::string_view(in, std::strlen(in)), currentOptions);
    std::size_t n = std::min(text.size(), capacity);
    // Never cut a character in half at the capacity.
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

}  // namespace kk::nkf
