// Each line gets its key once (a number, or an ICU sort key, or the bytes),
// then one sort over the keys.
#include "filter/sortf.h"

#include <unicode/coll.h>
#include <unicode/stringpiece.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <optional>
#include <thread>

namespace kk::filter {

namespace {

std::string_view withoutBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

// The number a line starts with (after blanks), as its decimal digits: a
// sign, the integer part without leading zeros, the fraction without
// trailing ones. Compared digit by digit, so any length is exact.
struct Number {
    bool has = false, negative = false;
    std::string_view integer, fraction;
};

Number leadingNumber(std::string_view s) {
    s = withoutBlanks(s);
    Number num;
    std::size_t n = 0;
    num.negative = n < s.size() && s[n] == '-';
    if (n < s.size() && (s[n] == '-' || s[n] == '+')) ++n;
    const std::size_t digitsStart = n;
    while (n < s.size() && s[n] >= '0' && s[n] <= '9') ++n;
    num.has = n > digitsStart;
    num.integer = s.substr(digitsStart, n - digitsStart);
    if (n < s.size() && s[n] == '.') {
        const std::size_t from = ++n;
        while (n < s.size() && s[n] >= '0' && s[n] <= '9') ++n;
        num.has = num.has || n > from;
        num.fraction = s.substr(from, n - from);
    }
    while (!num.integer.empty() && num.integer.front() == '0') num.integer.remove_prefix(1);
    while (!num.fraction.empty() && num.fraction.back() == '0') num.fraction.remove_suffix(1);
    if (num.integer.empty() && num.fraction.empty()) num.negative = false;  // -0 is 0
    return num;
}

// <0, 0, >0 as a is below, equal to or above b; both have a number.
int compareNumbers(const Number& a, const Number& b) {
    if (a.negative != b.negative) return a.negative ? -1 : 1;
    int c = 0;
    if (a.integer.size() != b.integer.size()) c = a.integer.size() < b.integer.size() ? -1 : 1;
    else if (const int k = a.integer.compare(b.integer)) c = k;
    else if (const int f = a.fraction.compare(b.fraction)) c = f;  // no trailing zeros: a prefix is smaller
    return a.negative ? -c : c;
}

// Sort keys for the lines by the "ja" collator at every level, computed in
// slices on a few threads (each with its own collator): most of -J's time.
// The keys of a slice lie end to end in one buffer: a string per line would
// cost more in headers than the keys themselves.
class CollationKeys {
public:
    explicit CollationKeys(const std::vector<std::string_view>& texts);
    std::string_view operator[](std::size_t i) const { return keys_[i]; }

private:
    std::vector<std::string> arenas_;
    std::vector<std::string_view> keys_;
};

CollationKeys::CollationKeys(const std::vector<std::string_view>& texts) : keys_(texts.size()) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> base(icu::Collator::createInstance(icu::Locale("ja"), status));
    if (U_FAILURE(status)) {
        keys_ = texts;  // the bytes alone
        return;
    }
    // Japanese collation tells hiragana from katakana only at the fourth
    // level and full from half width not at all: ask for the fourth level;
    // the caller breaks what is still equal by the line's own bytes (code
    // point order), so かな < カナ < ｶﾅ and only equal lines tie. Cheaper
    // than the collator's identical level, which normalises every line.
    base->setStrength(icu::Collator::QUATERNARY);
    const std::size_t threads =
        texts.size() < 10000 ? 1 : std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
    const std::size_t slice = (texts.size() + threads - 1) / threads;
    arenas_.resize(threads);
    std::vector<std::vector<std::size_t>> ends(threads);
    auto work = [&](icu::Collator* coll, std::size_t t) {
        const std::size_t from = std::min(texts.size(), t * slice), to = std::min(texts.size(), (t + 1) * slice);
        std::string& arena = arenas_[t];
        ends[t].reserve(to - from);
        icu::UnicodeString u;
        for (std::size_t i = from; i < to; ++i) {
            const std::string_view k = texts[i];
            u = icu::UnicodeString::fromUTF8(icu::StringPiece(k.data(), static_cast<int32_t>(k.size())));
            const std::size_t at = arena.size();
            std::size_t room = k.size() * 4 + 16;
            arena.resize(at + room);
            int32_t n = coll->getSortKey(u, reinterpret_cast<uint8_t*>(arena.data() + at), static_cast<int32_t>(room));
            if (static_cast<std::size_t>(n) > room) {
                arena.resize(at + static_cast<std::size_t>(n));
                n = coll->getSortKey(u, reinterpret_cast<uint8_t*>(arena.data() + at), n);
            }
            arena.resize(at + static_cast<std::size_t>(n));  // the key with its closing NUL
            ends[t].push_back(arena.size());
        }
        arena.shrink_to_fit();
    };
    std::vector<std::unique_ptr<icu::Collator>> clones;
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < threads; ++t) {
        clones.emplace_back(base->clone());
        pool.emplace_back(work, clones.back().get(), t);
    }
    work(base.get(), 0);
    for (auto& th : pool) th.join();
    // Views only once every arena has stopped growing.
    for (std::size_t t = 0, i = 0; t < threads; ++t) {
        std::size_t begin = 0;
        for (const std::size_t e : ends[t]) {
            keys_[i++] = std::string_view(arenas_[t]).substr(begin, e - begin);
            begin = e;
        }
    }
}

// A stable sort on two threads for big inputs: each half sorted, then one
// merge, which keeps equal elements of the first half first.
template <class It, class Less>
void parallelStableSort(It first, It last, Less less) {
    const auto n = last - first;
    if (n < 200000 || std::thread::hardware_concurrency() < 2) {
        std::stable_sort(first, last, less);
        return;
    }
    const It mid = first + n / 2;
    std::thread other([&] { std::stable_sort(first, mid, less); });
    std::stable_sort(mid, last, less);
    other.join();
    std::inplace_merge(first, mid, last, less);
}

}  // namespace

bool parseSortOptions(const std::vector<std::string>& words, SortOptions& o, std::string& error) {
    for (const auto& w : words) {
        if (w.size() < 2 || w[0] != '-') {
            error = "unknown argument " + w;
            return false;
        }
        for (std::size_t i = 1; i < w.size(); ++i) {
            switch (w[i]) {
                case 'n': o.numeric = true; break;
                case 'r': o.reverse = true; break;
                case 's': o.stable = true; break;
                case 'b': o.ignoreBlanks = true; break;
                case 'J': o.japanese = true; break;
                default: error = std::string("unknown option -") + w[i]; return false;
            }
        }
    }
    return true;
}

std::string sortText(std::string_view text, const SortOptions& o) {
    std::vector<std::string_view> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t lf = text.find('\n', pos);
        const std::size_t end = lf == std::string_view::npos ? text.size() : lf;
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    const auto keyText = [&](std::string_view line) { return o.ignoreBlanks ? withoutBlanks(line) : line; };

    std::vector<std::size_t> order(lines.size());
    std::iota(order.begin(), order.end(), 0);
    // Ties that are not stable fall back to the whole line's bytes, as sort does.
    auto tie = [&](std::size_t a, std::size_t b) {
        return !o.stable && lines[a] != lines[b] ? (lines[a] < lines[b]) != o.reverse : false;
    };

    if (o.numeric) {
        // Keys side by side with their line numbers: one sort over a flat array.
        struct Key {
            Number number;
            std::uint32_t line;
        };
        std::vector<Key> keys(lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i)
            keys[i] = {leadingNumber(lines[i]), static_cast<std::uint32_t>(i)};
        // Lines without a number come first (last when reversed), as if -infinity.
        parallelStableSort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
            if (a.number.has != b.number.has) return b.number.has != o.reverse;
            if (a.number.has)
                if (const int c = compareNumbers(a.number, b.number)) return (c < 0) != o.reverse;
            return tie(a.line, b.line);
        });
        for (std::size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].line;
    } else if (o.japanese) {
        std::vector<std::string_view> texts(lines.size());
        for (std::size_t i = 0; i < lines.size(); ++i) texts[i] = keyText(lines[i]);
        {
            const CollationKeys keys(texts);  // gone before the output grows
            parallelStableSort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
                if (const int c = keys[a].compare(keys[b])) return (c < 0) != o.reverse;
                if (const int c = texts[a].compare(texts[b])) return (c < 0) != o.reverse;
                return tie(a, b);
            });
        }
    } else {
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            const std::string_view ka = keyText(lines[a]), kb = keyText(lines[b]);
            if (ka != kb) return (ka < kb) != o.reverse;
            return tie(a, b);
        });
    }

    std::string out;
    out.reserve(text.size() + 1);
    for (const std::size_t i : order) {
        out.append(lines[i]);
        out.push_back('\n');
    }
    return out;
}

}  // namespace kk::filter
