// Replacement parsing and Perl-style case escapes (ICU root-locale mapping).
#include "regex/replacement.h"

#include "platform/text_codec.h"
#include "regex/command.h"

#include <unicode/ucasemap.h>
#include <unicode/uchar.h>

#include <memory>

namespace kk::regex {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

struct CaseMapCloser {
    void operator()(UCaseMap* m) const { ucasemap_close(m); }
};

std::string mapCase(std::string_view text, bool upper) {
    thread_local std::unique_ptr<UCaseMap, CaseMapCloser> csm = [] {
        UErrorCode status = U_ZERO_ERROR;
        return std::unique_ptr<UCaseMap, CaseMapCloser>(ucasemap_open("", 0, &status));
    }();
    std::string out(text.size() + 8, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode status = U_ZERO_ERROR;
        const auto fn = upper ? ucasemap_utf8ToUpper : ucasemap_utf8ToLower;
        const int32_t n = fn(csm.get(), out.data(), static_cast<int32_t>(out.size()), text.data(),
                             static_cast<int32_t>(text.size()), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) { out.assign(static_cast<std::size_t>(n), '\0'); continue; }
        if (U_FAILURE(status)) return std::string(text);
        out.resize(static_cast<std::size_t>(n));
        return out;
    }
    return std::string(text);
}

}  // namespace

bool decodeCharEscape(std::string_view s, std::size_t& pos, char32_t& out) {
    if (pos >= s.size()) return false;
    const char c = s[pos];
    switch (c) {
        case 'n': out = '\n'; ++pos; return true;
        case 'r': out = '\r'; ++pos; return true;
        case 't': out = '\t'; ++pos; return true;
        case 'e': out = 0x1B; ++pos; return true;
        case 'f': out = '\f'; ++pos; return true;
        case 'a': out = 0x07; ++pos; return true;
        case '0': {  // octal: \0, \01, \012
            char32_t v = 0;
            std::size_t i = pos + 1;
            for (int k = 0; k < 2 && i < s.size() && s[i] >= '0' && s[i] <= '7'; ++k, ++i) v = v * 8 + (s[i] - '0');
            out = v;
            pos = i;
            return true;
        }
        case 'x': {
            std::size_t i = pos + 1;
            char32_t v = 0;
            if (i < s.size() && s[i] == '{') {
                const std::size_t close = s.find('}', i);
                if (close == std::string_view::npos) return false;
                for (std::size_t k = i + 1; k < close; ++k) {
                    const int h = hexValue(s[k]);
                    if (h < 0) return false;
                    v = v * 16 + static_cast<char32_t>(h);
                    if (v > 0x10FFFF) return false;
                }
                pos = close + 1;
            } else {
                for (int k = 0; k < 2 && i < s.size() && hexValue(s[i]) >= 0; ++k, ++i) v = v * 16 + hexValue(s[i]);
                pos = i;
            }
            if (v >= 0xD800 && v <= 0xDFFF) v = 0xFFFD;
            out = v;
            return true;
        }
        case 'N': {
            if (s.substr(pos, 4) != "N{U+") return false;
            const std::size_t close = s.find('}', pos);
            if (close == std::string_view::npos) return false;
            char32_t v = 0;
            for (std::size_t k = pos + 4; k < close; ++k) {
                const int h = hexValue(s[k]);
                if (h < 0) return false;
                v = v * 16 + static_cast<char32_t>(h);
                if (v > 0x10FFFF) return false;
            }
            if (v >= 0xD800 && v <= 0xDFFF) v = 0xFFFD;
            out = v;
            pos = close + 1;
            return true;
        }
        default: return false;
    }
}

Result<Replacement> Replacement::parse(std::string_view raw, int captureCount, std::string_view command,
                                       std::size_t offset) {
    Replacement r;
    std::string literal;
    auto flush = [&] {
        if (!literal.empty()) r.pieces_.push_back({Piece::Literal, std::move(literal), 0});
        literal.clear();
    };
    auto addGroup = [&](int n, std::size_t at) -> bool {
        if (n > captureCount) return false;
        flush();
        r.pieces_.push_back({Piece::Group, {}, n});
        (void)at;
        return true;
    };
    auto groupError = [&](int n, std::size_t at) {
        return errorAt(command, offset + at,
                       "the replacement refers to group " + std::to_string(n) + " but the pattern has " +
                           std::to_string(captureCount) + (captureCount == 1 ? " group" : " groups"));
    };
    std::size_t i = 0;
    while (i < raw.size()) {
        const char c = raw[i];
        if (c == '$' && i + 1 < raw.size()) {
            const char d = raw[i + 1];
            if (d == '&') { addGroup(0, i); i += 2; continue; }
            if (isDigit(d)) {
                std::size_t j = i + 1;
                int n = 0;
                while (j < raw.size() && isDigit(raw[j]) && n < 100000) n = n * 10 + (raw[j++] - '0');
                if (!addGroup(n, i)) return groupError(n, i);
                i = j;
                continue;
            }
            if (d == '{') {
                std::size_t j = i + 2;
                int n = 0;
                bool digits = false;
                while (j < raw.size() && isDigit(raw[j]) && n < 100000) { n = n * 10 + (raw[j++] - '0'); digits = true; }
                if (digits && j < raw.size() && raw[j] == '}') {
                    if (!addGroup(n, i)) return groupError(n, i);
                    i = j + 1;
                    continue;
                }
                if (raw.substr(i + 2, 2) == "&}") { addGroup(0, i); i += 4; continue; }
                return errorAt(command, offset + i, "bad group reference: expected ${number}");
            }
            literal.push_back(c);  // any other "$" stands for itself
            ++i;
            continue;
        }
        if (c == '\\' && i + 1 < raw.size()) {
            const char d = raw[i + 1];
            std::size_t j = i + 1;
            char32_t cp;
            if (d >= '1' && d <= '9') {
                int n = d - '0';
                if (!addGroup(n, i)) return groupError(n, i);
                i += 2;
                continue;
            }
            Piece::Kind op = Piece::Literal;
            switch (d) {
                case 'U': op = Piece::Upper; break;
                case 'L': op = Piece::Lower; break;
                case 'E': op = Piece::End; break;
                case 'u': op = Piece::OneUpper; break;
                case 'l': op = Piece::OneLower; break;
                default: break;
            }
            if (op != Piece::Literal) {
                flush();
                r.pieces_.push_back({op, {}, 0});
                r.hasCaseOps_ = true;
                i += 2;
                continue;
            }
            if (decodeCharEscape(raw, j, cp)) {
                appendUtf8(literal, cp);
                i = j;
                continue;
            }
            if (d == 'x' || d == 'N') return errorAt(command, offset + i, "bad character escape in the replacement");
            // \\ \/ \$ \@ and any other escaped character stand for that character.
            std::size_t k = i + 1;
            nextCodePoint(raw, k);
            literal.append(raw.substr(i + 1, k - (i + 1)));
            i = k;
            continue;
        }
        literal.push_back(c);
        ++i;
    }
    flush();
    return r;
}

void Replacement::applyCaseOp(Piece::Kind op, CaseState& st) {
    switch (op) {
        case Piece::Upper: case Piece::Lower: st.mode = op; break;
        case Piece::End: st.mode = Piece::End; break;
        case Piece::OneUpper: case Piece::OneLower: st.oneShot = op; break;
        default: break;
    }
}

void Replacement::appendCased(std::string& out, std::string_view text, CaseState& st) {
    if (text.empty()) return;
    std::size_t rest = 0;
    if (st.oneShot != Piece::End) {
        nextCodePoint(text, rest);
        const std::string_view first = text.substr(0, rest);
        if (st.oneShot == Piece::OneUpper) {
            // Perl's ucfirst is a title-case mapping of the one character.
            std::size_t p = 0;
            const char32_t c = nextCodePoint(first, p);
            const UChar32 t = u_totitle(static_cast<UChar32>(c));
            if (t != static_cast<UChar32>(c)) appendUtf8(out, static_cast<char32_t>(t));
            else out.append(mapCase(first, true));
        } else {
            out.append(mapCase(first, false));
        }
        st.oneShot = Piece::End;
    }
    const std::string_view tail = text.substr(rest);
    if (st.mode == Piece::Upper) out.append(mapCase(tail, true));
    else if (st.mode == Piece::Lower) out.append(mapCase(tail, false));
    else out.append(tail);
}

}  // namespace kk::regex
