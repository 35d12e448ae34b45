// Replacement parsing and Perl-style case escapes (ICU root-locale mapping).
#include "regex/replacement.h"

#include "core/text_codec.h"
#include "regex/command.h"
#include "texts/texts.h"

#include <unicode/ucasemap.h>
#include <unicode/uchar.h>

#include <cstring>
#include <memory>

namespace kk::regex {

using texts::message;
using texts::Msg;
using texts::patternErrorText;

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

enum class CaseMap { Upper, Lower, Fold };

std::string mapCase(std::string_view text, CaseMap how) {
    thread_local std::unique_ptr<UCaseMap, CaseMapCloser> csm = [] {
        UErrorCode status = U_ZERO_ERROR;
        return std::unique_ptr<UCaseMap, CaseMapCloser>(ucasemap_open("", 0, &status));
    }();
    std::string out(text.size() + 8, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode status = U_ZERO_ERROR;
        const auto dest = out.data();
        const auto cap = static_cast<int32_t>(out.size());
        const auto len = static_cast<int32_t>(text.size());
        const int32_t n = how == CaseMap::Upper ? ucasemap_utf8ToUpper(csm.get(), dest, cap, text.data(), len, &status)
                          : how == CaseMap::Lower
                              ? ucasemap_utf8ToLower(csm.get(), dest, cap, text.data(), len, &status)
                              : ucasemap_utf8FoldCase(csm.get(), dest, cap, text.data(), len, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.assign(static_cast<std::size_t>(n), '\0');
            continue;
        }
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
        case 'n':
            out = '\n';
            ++pos;
            return true;
        case 'r':
            out = '\r';
            ++pos;
            return true;
        case 't':
            out = '\t';
            ++pos;
            return true;
        case 'e':
            out = 0x1B;
            ++pos;
            return true;
        case 'f':
            out = '\f';
            ++pos;
            return true;
        case 'a':
            out = 0x07;
            ++pos;
            return true;
        case '0':
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
        case '6':
        case '7': {  // octal: \0, \12, \101
            char32_t v = 0;
            std::size_t i = pos;
            for (int k = 0; k < 3 && i < s.size() && s[i] >= '0' && s[i] <= '7'; ++k, ++i) v = v * 8 + (s[i] - '0');
            out = v;
            pos = i;
            return true;
        }
        case 'o': {  // \o{...}: octal of any length
            if (pos + 1 >= s.size() || s[pos + 1] != '{') return false;
            const std::size_t close = s.find('}', pos);
            if (close == std::string_view::npos || close == pos + 2) return false;
            char32_t v = 0;
            for (std::size_t k = pos + 2; k < close; ++k) {
                if (s[k] < '0' || s[k] > '7') return false;
                v = v * 8 + static_cast<char32_t>(s[k] - '0');
                if (v > 0x10FFFF) return false;
            }
            if (v >= 0xD800 && v <= 0xDFFF) v = 0xFFFD;
            out = v;
            pos = close + 1;
            return true;
        }
        case 'c': {  // \cX: the control character, as Perl (\c? is DEL)
            if (pos + 1 >= s.size() || static_cast<unsigned char>(s[pos + 1]) >= 0x80) return false;
            char x = s[pos + 1];
            if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
            out = static_cast<char32_t>(x ^ 64);
            pos += 2;
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

Result<Replacement> Replacement::parse(std::string_view raw, int captureCount, const GroupNames& names,
                                       std::string_view command, std::size_t offset) {
    Replacement r;
    std::string literal;
    std::string caseStack;  // the case escapes open at this point, innermost last
    char swapped = 0;       // perl reads \L\u as \u\L and \U\l as \l\U
    auto flush = [&] {
        if (!literal.empty()) r.pieces_.push_back({Piece::Literal, std::move(literal), {}});
        literal.clear();
    };
    auto add = [&](Piece::Kind kind, std::vector<int> groups = {}) {
        flush();
        if (kind != Piece::Group || groups.front() != 0) r.onlyWholeMatch_ = false;
        r.pieces_.push_back({kind, {}, std::move(groups)});
    };
    auto groupError = [&](int n, std::size_t at) {
        return errorAt(command, offset + at,
                       Msg::NoSuchGroup, {std::to_string(n), std::to_string(captureCount)});
    };
    auto nameError = [&](std::string_view name, std::size_t at) {
        return errorAt(command, offset + at, Msg::NoSuchName, {std::string(name)});
    };
    // A {name} right after `from`; the name's end (the "}") or npos.
    auto bracedName = [&](std::size_t from) -> std::size_t {
        if (from >= raw.size() || raw[from] != '{') return std::string_view::npos;
        return raw.find('}', from);
    };
    std::size_t i = 0;
    while (i < raw.size()) {
        const char c = raw[i];
        if (c == '$' && i + 1 < raw.size()) {
            const char d = raw[i + 1];
            if (d == '&') {
                add(Piece::Group, {0});
                i += 2;
                continue;
            }
            if (d == '`') {
                add(Piece::Prematch);
                i += 2;
                continue;
            }
            if (d == '\'') {
                add(Piece::Postmatch);
                i += 2;
                continue;
            }
            if (isDigit(d)) {
                std::size_t j = i + 1;
                int n = 0;
                while (j < raw.size() && isDigit(raw[j]) && n < 100000) n = n * 10 + (raw[j++] - '0');
                if (n > captureCount) return groupError(n, i);
                add(Piece::Group, {n});
                i = j;
                continue;
            }
            if (d == '+' || d == '-') {
                const std::size_t close = bracedName(i + 2);
                if (d == '+' && close == std::string_view::npos) {
                    add(Piece::LastGroup);
                    i += 2;
                    continue;
                }
                if (close != std::string_view::npos) {
                    const std::string_view name = raw.substr(i + 3, close - (i + 3));
                    const auto it = names.find(name);
                    if (it == names.end()) return nameError(name, i);
                    if (d == '+') {  // the leftmost group of that name that took part
                        add(Piece::Named, it->second);
                        i = close + 1;
                        continue;
                    }
                    // $-{name}[k]: the k-th group of that name
                    std::size_t j = close + 1;
                    if (j < raw.size() && raw[j] == '[') {
                        const std::size_t end = raw.find(']', j);
                        const std::string_view index =
                            raw.substr(j + 1, end == std::string_view::npos ? 0 : end - j - 1);
                        if (end != std::string_view::npos && !index.empty() &&
                            index.find_first_not_of("0123456789") == std::string_view::npos && index.size() < 6) {
                            const auto k = static_cast<std::size_t>(std::stoi(std::string(index)));
                            if (k < it->second.size()) add(Piece::Group, {it->second[k]});
                            i = end + 1;  // past the last group of the name: nothing, as Perl's undef
                            continue;
                        }
                    }
                    return errorAt(command, offset + i, Msg::BadNamedIndex);
                }
            }
            if (d == '{') {
                std::size_t j = i + 2;
                int n = 0;
                bool digits = false;
                while (j < raw.size() && isDigit(raw[j]) && n < 100000) {
                    n = n * 10 + (raw[j++] - '0');
                    digits = true;
                }
                if (digits && j < raw.size() && raw[j] == '}') {
                    if (n > captureCount) return groupError(n, i);
                    add(Piece::Group, {n});
                    i = j + 1;
                    continue;
                }
                if (raw.substr(i + 2, 2) == "&}") {
                    add(Piece::Group, {0});
                    i += 4;
                    continue;
                }
                return errorAt(command, offset + i, Msg::BadGroupReference);
            }
            literal.push_back(c);  // any other "$" stands for itself
            ++i;
            continue;
        }
        if (c == '\\' && i + 1 < raw.size()) {
            const char d = swapped ? swapped : raw[i + 1];
            swapped = 0;
            std::size_t j = i + 1;
            char32_t cp;
            if (d >= '1' && d <= '9') {
                // \1..\9 are groups; a longer number is a group when there are
                // that many, else octal, as Perl reads it.
                std::size_t k = i + 1;
                int n = 0;
                while (k < raw.size() && isDigit(raw[k]) && n < 100000) n = n * 10 + (raw[k++] - '0');
                if (k - (i + 1) == 1 || n <= captureCount) {
                    if (n > captureCount) return groupError(n, i);
                    add(Piece::Group, {n});
                    i = k;
                    continue;
                }
            }
            if (std::strchr("uUlLQFE", d) && d != '\0') {
                // The case escapes, nested as perl's lexer nests them: each opens
                // a function over all that follows until it is closed.
                flush();
                r.hasCaseOps_ = true;
                auto close = [&] {
                    r.pieces_.push_back({Piece::CaseEnd, {}, {}});
                    const char op = caseStack.back();
                    caseStack.pop_back();
                    return op;
                };
                if (d == 'E') {
                    // \E closes the innermost \L \U \Q or \F and the \u or \l after it.
                    while (!caseStack.empty())
                        if (const char op = close(); op != 'u' && op != 'l') break;
                    i += 2;
                    continue;
                }
                if (raw.substr(i + 2, 2) == "\\E") {  // an escape closed at once is nothing
                    i += 4;
                    continue;
                }
                char op = d;
                if ((d == 'L' && raw.substr(i + 2, 2) == "\\u") || (d == 'U' && raw.substr(i + 2, 2) == "\\l")) {
                    op = raw[i + 3];
                    swapped = d;
                }
                // A new \L, \U or \F first closes every open one of those.
                if (op == 'L' || op == 'U' || op == 'F')
                    while (caseStack.find_first_of("LUF") != std::string::npos) close();
                caseStack.push_back(op);
                r.pieces_.push_back({Piece::CaseStart, std::string(1, op), {}});
                i += 2;
                continue;
            }
            if (decodeCharEscape(raw, j, cp)) {
                appendUtf8(literal, cp);
                i = j;
                continue;
            }
            if (d == 'x' || d == 'N' || d == 'o' || d == 'c')
                return errorAt(command, offset + i, Msg::BadEscapeInReplacement);
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
    for (; !caseStack.empty(); caseStack.pop_back()) r.pieces_.push_back({Piece::CaseEnd, {}, {}});
    return r;
}

void Replacement::expand(std::string& out, const MatchView& m) const {
    auto text = [&](const Piece& p) -> std::string_view {
        switch (p.kind) {
            case Piece::Literal: return p.text;
            case Piece::Group: return m.group(p.groups.front());
            case Piece::Named:
                for (const int n : p.groups)
                    if (m.set(n)) return m.group(n);
                return {};
            case Piece::LastGroup:
                for (int n = m.groupCount(); n > 0; --n)
                    if (m.set(n)) return m.group(n);
                return {};
            case Piece::Prematch: return m.prematch();
            case Piece::Postmatch: return m.postmatch();
            default: return {};
        }
    };
    if (!hasCaseOps_) {
        for (const Piece& p : pieces_) out.append(text(p));
        return;
    }
    // Each open case escape collects what follows it until it closes.
    std::vector<std::pair<char, std::string>> open;
    auto emit = [&](std::string_view t) {
        if (open.empty()) out.append(t);
        else open.back().second.append(t);
    };
    for (const Piece& p : pieces_) {
        switch (p.kind) {
            case Piece::CaseStart: open.push_back({p.text[0], {}}); break;
            case Piece::CaseEnd: {
                const auto [op, collected] = std::move(open.back());
                open.pop_back();
                emit(applyCase(op, collected));
                break;
            }
            default: emit(text(p)); break;
        }
    }
}

namespace {

// Perl's quotemeta on a Unicode string: ASCII other than word characters,
// and beyond ASCII the syntax, space, ignorable and control characters.
void appendQuoted(std::string& out, std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t from = i;
        const char32_t c = nextCodePoint(text, i);
        bool quote;
        if (c < 0x80) {
            quote = !((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
        } else {
            const auto u = static_cast<UChar32>(c);
            quote = u_hasBinaryProperty(u, UCHAR_PATTERN_SYNTAX) || u_hasBinaryProperty(u, UCHAR_PATTERN_WHITE_SPACE) ||
                    u_hasBinaryProperty(u, UCHAR_WHITE_SPACE) ||
                    u_hasBinaryProperty(u, UCHAR_DEFAULT_IGNORABLE_CODE_POINT) || u_charType(u) == U_CONTROL_CHAR;
        }
        if (quote) out.push_back('\\');
        out.append(text.substr(from, i - from));
    }
}

// Perl's ucfirst: the full title-case mapping of one character (ǆ → ǅ, ß → Ss).
std::string titleOne(std::string_view ch) {
    std::size_t p = 0;
    const char32_t c = nextCodePoint(ch, p);
    UChar src[2];
    int32_t len = 0;
    U16_APPEND_UNSAFE(src, len, static_cast<UChar32>(c));
    UChar dst[8];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = u_strToTitle(dst, 8, src, len, nullptr, "", &status);
    if (U_FAILURE(status)) return mapCase(ch, CaseMap::Upper);
    std::string out;
    for (int32_t k = 0; k < n;) {
        UChar32 t;
        U16_NEXT(dst, k, n, t);
        appendUtf8(out, static_cast<char32_t>(t));
    }
    return out;
}

}  // namespace

std::string Replacement::applyCase(char op, std::string_view text) {
    switch (op) {
        case 'U': return mapCase(text, CaseMap::Upper);
        case 'L': return mapCase(text, CaseMap::Lower);
        case 'F': return mapCase(text, CaseMap::Fold);
        case 'Q': {
            std::string out;
            appendQuoted(out, text);
            return out;
        }
        default: break;
    }
    // \u and \l: the first character only (a byte that is no UTF-8 stays).
    if (text.empty() || !startsCharacter(text, 0)) return std::string(text);
    std::size_t rest = 0;
    nextCodePoint(text, rest);
    const std::string_view first = text.substr(0, rest);
    return (op == 'u' ? titleOne(first) : mapCase(first, CaseMap::Lower)) + std::string(text.substr(rest));
}

}  // namespace kk::regex
