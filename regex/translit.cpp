// Character translation over UTF-8 text with a flat table for the BMP.
#include "regex/translit.h"

#include "core/text_codec.h"
#include "regex/operations.h"
#include "regex/replacement.h"
#include "texts/texts.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace kk::regex {

using texts::message;
using texts::Msg;
using texts::patternErrorText;

namespace {

constexpr std::int32_t kKeep = -2;    // not in the search list
constexpr std::int32_t kDelete = -1;  // in the search list, deleted (d)

Result<std::u32string> expandList(std::string_view raw, std::string_view command, std::size_t offset) {
    // First decode to (char, wasEscaped) so an escaped "-" is no range.
    struct Item {
        char32_t c;
        bool dash;
        std::size_t at;
    };
    std::vector<Item> items;
    std::size_t i = 0;
    // Bytes that are no UTF-8 in a list stand for no character: refused.
    while (i < raw.size()) {
        const std::size_t at = i;
        if (!startsCharacter(raw, i) || (raw[i] == '\\' && i + 1 < raw.size() && !startsCharacter(raw, i + 1)))
            return errorAt(command, offset + at, Msg::BadEscapeInTrList);
        if (raw[i] == '\\' && i + 1 < raw.size()) {
            std::size_t j = i + 1;
            char32_t cp;
            if (decodeCharEscape(raw, j, cp)) {
                items.push_back({cp, false, at});
                i = j;
                continue;
            }
            if (raw[j] == 'x' || raw[j] == 'N') return errorAt(command, offset + at, Msg::BadEscapeInTrList);
            std::size_t k = j;
            items.push_back({nextCodePoint(raw, k), false, at});
            i = k;
            continue;
        }
        const char32_t c = nextCodePoint(raw, i);
        items.push_back({c, c == '-', at});
    }
    // Bytes that are no UTF-8 in a command decode to no character at all.
    for (const Item& item : items)
        if (item.c > 0x10FFFF) return errorAt(command, offset + item.at, Msg::BadEscapeInTrList);
    std::u32string out;
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (items[k].dash && k > 0 && k + 1 < items.size() && !out.empty()) {
            const char32_t from = out.back(), to = items[k + 1].c;
            if (to < from) return errorAt(command, offset + items[k - 1].at, Msg::TrRangeBackwards);
            for (char32_t c = from + 1; c <= to; ++c) {
                if (c >= 0xD800 && c <= 0xDFFF) continue;
                out.push_back(c);
            }
            ++k;  // the range end is consumed
            continue;
        }
        out.push_back(items[k].c);
    }
    return out;
}

class Table {
public:
    Table() : bmp_(0x10000, kKeep) {}
    std::int32_t get(char32_t c) const {
        if (c < 0x10000) return bmp_[c];
        const auto it = astral_.find(c);
        return it == astral_.end() ? kKeep : it->second;
    }
    void setIfUnset(char32_t c, std::int32_t v) {
        if (c < 0x10000) {
            if (bmp_[c] == kKeep) bmp_[c] = v;
        } else astral_.emplace(c, v);
    }

private:
    std::vector<std::int32_t> bmp_;
    std::unordered_map<char32_t, std::int32_t> astral_;
};

}  // namespace

TextResult transliterate(const Command& cmd, const Options& o, std::string_view command, std::string_view text,
                         WorkLink work, diff::Report* report, TextSink* sink) {
    auto search = expandList(cmd.pattern, command, cmd.patternOffset);
    if (!search) return search.error();
    auto repl = expandList(cmd.replacement, command, cmd.replacementOffset);
    if (!repl) return repl.error();
    std::u32string& s = search.value();
    std::u32string& r = repl.value();
    const bool identity = r.empty() && !o.deleteUnmatched;  // tr/abc// counts, changes nothing

    Table table;
    std::vector<char32_t> sortedSearch;
    if (!o.complement) {
        for (std::size_t k = 0; k < s.size(); ++k) {
            std::int32_t v;
            if (identity) v = static_cast<std::int32_t>(s[k]);
            else if (k < r.size()) v = static_cast<std::int32_t>(r[k]);
            else if (o.deleteUnmatched) v = kDelete;
            else v = static_cast<std::int32_t>(r.back());
            table.setIfUnset(s[k], v);  // the first mention of a character wins
        }
    } else {
        sortedSearch.assign(s.begin(), s.end());
        std::sort(sortedSearch.begin(), sortedSearch.end());
        sortedSearch.erase(std::unique(sortedSearch.begin(), sortedSearch.end()), sortedSearch.end());
    }
    // With c, a character outside the list maps by its rank in the complement.
    auto mapComplement = [&](char32_t c) -> std::int32_t {
        if (std::binary_search(sortedSearch.begin(), sortedSearch.end(), c)) return kKeep;
        if (identity) return static_cast<std::int32_t>(c);
        const auto below = std::lower_bound(sortedSearch.begin(), sortedSearch.end(), c) - sortedSearch.begin();
        const std::size_t rank = static_cast<std::size_t>(c) - static_cast<std::size_t>(below);
        if (rank < r.size()) return static_cast<std::int32_t>(r[rank]);
        if (o.deleteUnmatched) return kDelete;
        return static_cast<std::int32_t>(r.back());
    };

    TextOut out(sink);
    out.reserve(text.size());
    std::int32_t lastOut = kKeep;  // last character a translation wrote, for s
    // Characters that stay are copied in runs, not one by one. Without c, a
    // character whose first two bytes start no listed character is skipped
    // unread: most of a text is.
    std::vector<std::uint8_t> mayMap(1u << 16, o.complement ? 1 : 0);
    // When every listed character starts with the same non-ASCII byte (a
    // kana range, say), memchr finds the next candidate at memory speed.
    int lead = -1;
    if (!o.complement)
        for (const char32_t c : s) {
            std::string u;
            appendUtf8(u, c);
            const unsigned b0 = static_cast<unsigned char>(u[0]);
            if (b0 < 0xC0) lead = -2;
            else if (lead == -1) lead = static_cast<int>(b0);
            else if (lead != static_cast<int>(b0)) lead = -2;
            if (u.size() == 1)
                for (unsigned b1 = 0; b1 < 256; ++b1) mayMap[(b0 << 8) | b1] = 1;
            else mayMap[(b0 << 8) | static_cast<unsigned char>(u[1])] = 1;
        }
    static constexpr auto kLength = [] {
        std::array<std::uint8_t, 256> n{};
        for (unsigned b = 0; b < 256; ++b) n[b] = b < 0xC0 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        return n;
    }();
    std::size_t run = 0, i = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    // Bytes that are no UTF-8 are no characters: they stay as they are. Only a
    // text that has some pays for looking at each sequence.
    const bool checked = !isValidUtf8(text);
    constexpr std::size_t kCheckEvery = 4u << 20;
    std::size_t nextCheck = kCheckEvery;
    while (i < size) {
        if (i >= nextCheck) {
            nextCheck = i + kCheckEvery;
            if (cancelledBy(work)) return cancelledError();
            reportDone(work, i);
            if (out.size() > kMaxOutputBytes) return outputTooBigError();
            if (!out.ok()) return outputUnwritableError();
        }
        if (lead >= 0) {
            const void* q = std::memchr(bytes + i, lead, size - i);
            const std::size_t next = q ? static_cast<std::size_t>(static_cast<const unsigned char*>(q) - bytes) : size;
            if (next != i) {
                if (o.squeeze) lastOut = kKeep;
                i = next;
                if (i >= size) break;
            }
        }
        const unsigned b = bytes[i];
        if (checked && b >= 0x80 && !startsCharacter(text, i)) {
            ++i;  // copied with the run around it, untouched
            if (o.squeeze) lastOut = kKeep;
            continue;
        }
        if (i + 1 < size && !mayMap[(b << 8) | bytes[i + 1]]) {
            i += kLength[b];
            if (o.squeeze) lastOut = kKeep;
            continue;
        }
        const std::size_t from = i;
        char32_t c;
        if (b < 0x80) {
            c = b;
            ++i;
        } else if (b >= 0xE0 && b < 0xF0 && i + 2 < text.size()) {
            c = ((b & 0x0Fu) << 12) | ((bytes[i + 1] & 0x3Fu) << 6) | (bytes[i + 2] & 0x3Fu);
            i += 3;
        } else {
            c = nextCodePoint(text, i);
        }
        const std::int32_t v = o.complement ? mapComplement(c) : table.get(c);
        if (v == kKeep) {
            lastOut = kKeep;
            continue;
        }
        if (static_cast<char32_t>(v) == c && !o.squeeze) continue;  // maps to itself: part of the run
        out.append(text.substr(run, from - run));
        run = i;
        const std::size_t to = out.size();
        auto note = [&] {
            if (!report) return;
            ++report->count;
            // Neighbouring characters make one span.
            if (!report->changes.empty() && report->changes.back().from + report->changes.back().fromLength == from &&
                report->changes.back().to + report->changes.back().toLength == to) {
                report->changes.back().fromLength += i - from;
                report->changes.back().toLength += out.size() - to;
            } else {
                report->changes.push_back({from, i - from, to, out.size() - to});
            }
        };
        if (v == kDelete) {
            note();
            continue;
        }
        if (o.squeeze && v == lastOut) {
            note();
            continue;
        }
        if (static_cast<char32_t>(v) == c) out.append(text.substr(from, i - from));
        else appendUtf8(out.buffer(), static_cast<char32_t>(v));
        note();
        out.settle();
        lastOut = v;
    }
    if (run < size) out.append(text.substr(run));
    std::string whole = out.finish();
    if (!out.ok()) return outputUnwritableError();
    return whole;
}

}  // namespace kk::regex
