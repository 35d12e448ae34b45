// One-pass converters built from the pair and translation tables.
#include "convert/kana_width.h"

#include "core/big_buffer.h"
#include "core/text_codec.h"

#include <cstring>

#include <unordered_map>
#include <vector>

namespace kk::convert {

const std::array<KanaPair, 26> kKanaPairs = {{
    {"ｶﾞ", "ガ"}, {"ｷﾞ", "ギ"}, {"ｸﾞ", "グ"}, {"ｹﾞ", "ゲ"}, {"ｺﾞ", "ゴ"}, {"ｻﾞ", "ザ"}, {"ｼﾞ", "ジ"},
    {"ｽﾞ", "ズ"}, {"ｾﾞ", "ゼ"}, {"ｿﾞ", "ゾ"}, {"ﾀﾞ", "ダ"}, {"ﾁﾞ", "ヂ"}, {"ﾂﾞ", "ヅ"}, {"ﾃﾞ", "デ"},
    {"ﾄﾞ", "ド"}, {"ﾊﾞ", "バ"}, {"ﾊﾟ", "パ"}, {"ﾋﾞ", "ビ"}, {"ﾋﾟ", "ピ"}, {"ﾌﾞ", "ブ"}, {"ﾌﾟ", "プ"},
    {"ﾍﾞ", "ベ"}, {"ﾍﾟ", "ペ"}, {"ﾎﾞ", "ボ"}, {"ﾎﾟ", "ポ"}, {"ｳﾞ", "ヴ"},
}};

const char* const kHalfWidthList = "ｧｱｨｲｩｳｪｴｫｵｶｷｸｹｺｻｼｽｾｿﾀﾁｯﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓｬﾔｭﾕｮﾖﾗﾘﾙﾚﾛヮﾜヰヱｦﾝヵヶ｡､｢｣･ｰﾟﾞ";
const char* const kFullWidthList =
    "ァアィイゥウェエォオカキクケコサシスセソタチッツテトナニヌネノハヒフヘホマミムメモャヤュユョヨラリルレロヮワヰヱヲ"
    "ンヵヶ。、「」・ー゜゛";

namespace {

std::u32string decode(std::string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) out.push_back(nextCodePoint(s, i));
    return out;
}

struct Tables {
    // (base, mark) → precomposed, and precomposed → (base, mark)
    std::unordered_map<std::uint64_t, char32_t> pairToFull;
    std::unordered_map<char32_t, std::u32string> fullToPair;
    std::unordered_map<char32_t, char32_t> halfToFull, fullToHalf;

    Tables() {
        for (const auto& p : kKanaPairs) {
            const std::u32string h = decode(p.half), f = decode(p.full);
            pairToFull.emplace((std::uint64_t(h[0]) << 32) | h[1], f[0]);
            fullToPair.emplace(f[0], h);
        }
        const std::u32string h = decode(kHalfWidthList), f = decode(kFullWidthList);
        for (std::size_t i = 0; i < h.size() && i < f.size(); ++i) {
            halfToFull.emplace(h[i], f[i]);  // the first mention wins, as in tr
            fullToHalf.emplace(f[i], h[i]);
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

}  // namespace

namespace {

// The two blocks that can change, as UTF-8 to put out per code point: the
// converters copy everything else in runs, found by its lead byte (E3 for
// U+3000–U+30FF, EF for U+FF61–U+FF9F), and look a character up by index.
struct Utf8Out {
    std::uint8_t length = 0;  // 0: the character stays
    char bytes[7] = {};
};

Utf8Out utf8Of(const std::u32string& s) {
    Utf8Out o;
    std::string u;
    for (const char32_t c : s) appendUtf8(u, c);
    o.length = static_cast<std::uint8_t>(u.size());
    u.copy(o.bytes, u.size());
    return o;
}

constexpr char32_t kKanaBlock = 0x3000, kHalfBlock = 0xFF60;

struct FastTables {
    std::array<Utf8Out, 0x100> fullToHalf;                // U+3000..U+30FF
    std::array<Utf8Out, 0x40> halfToFull;                 // U+FF60..U+FF9F
    std::array<std::array<Utf8Out, 2>, 0x40> pairToFull;  // base U+FF60.., then ﾞ or ﾟ

    FastTables() {
        const Tables& t = tables();
        for (char32_t c = kKanaBlock; c < kKanaBlock + 0x100; ++c) {
            if (const auto p = t.fullToPair.find(c); p != t.fullToPair.end())
                fullToHalf[c - kKanaBlock] = utf8Of(p->second);
            else if (const auto h = t.fullToHalf.find(c); h != t.fullToHalf.end())
                fullToHalf[c - kKanaBlock] = utf8Of(std::u32string(1, h->second));
        }
        for (char32_t c = kHalfBlock; c < kHalfBlock + 0x40; ++c) {
            if (const auto f = t.halfToFull.find(c); f != t.halfToFull.end())
                halfToFull[c - kHalfBlock] = utf8Of(std::u32string(1, f->second));
            for (const char32_t mark : {char32_t{0xFF9E}, char32_t{0xFF9F}})
                if (const auto p = t.pairToFull.find((std::uint64_t(c) << 32) | mark); p != t.pairToFull.end())
                    pairToFull[c - kHalfBlock][mark - 0xFF9E] = utf8Of(std::u32string(1, p->second));
        }
    }
};

const FastTables& fastTables() {
    static const FastTables t;
    return t;
}

bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// The code point of the three-byte sequence at `at` when it is one, else 0.
[[gnu::always_inline]] inline char32_t threeByteAt(const unsigned char* p, std::size_t at, std::size_t n) {
    if (n - at < 3 || !isContinuation(p[at + 1]) || !isContinuation(p[at + 2])) return 0;
    return ((p[at] & 0x0Fu) << 12) | ((p[at + 1] & 0x3Fu) << 6) | (p[at + 2] & 0x3Fu);
}

// The output: runs of the text as it is, and converted characters gathered
// in a small buffer, so each character costs a copy of its bytes, not an
// append of its own.
class KanaOut {
public:
    KanaOut(std::string_view text, std::size_t room) : text_(text) { reserveText(out_, room); }
    void put(std::size_t at, std::size_t length, const Utf8Out& o) {
        if (at > copied_ || used_ + sizeof o.bytes > sizeof buffer_) {
            flush();
            out_.append(text_.substr(copied_, at - copied_));
        }
        std::memcpy(buffer_ + used_, o.bytes, sizeof o.bytes);
        used_ += o.length;
        copied_ = at + length;
    }
    std::string finish() {
        flush();
        out_.append(text_.substr(copied_));
        return std::move(out_);
    }

private:
    void flush() {
        out_.append(buffer_, used_);
        used_ = 0;
    }
    std::string_view text_;
    std::string out_;
    std::size_t copied_ = 0, used_ = 0;
    char buffer_[4096];
};

// The next place from `i` whose byte is `lead`, or npos: at once when it
// is the very next one (a text of kana is one lead after another).
std::size_t nextLead(const unsigned char* p, std::size_t i, std::size_t n, unsigned char lead) {
    if (i < n && p[i] == lead) return i;
    const void* at = i < n ? std::memchr(p + i, lead, n - i) : nullptr;
    return at ? static_cast<std::size_t>(static_cast<const unsigned char*>(at) - p) : std::string_view::npos;
}

}  // namespace

Text hankakuToZenkaku2(std::string_view text) {
    const FastTables& t = fastTables();
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    KanaOut out(text, n + n / 8);
    for (std::size_t i = nextLead(p, 0, n, 0xEF); i != std::string_view::npos; i = nextLead(p, i, n, 0xEF)) {
        const char32_t c = threeByteAt(p, i, n);
        if (c < kHalfBlock + 1 || c >= kHalfBlock + 0x40) {  // not a half-width kana form
            ++i;
            continue;
        }
        const Utf8Out* o = &t.halfToFull[c - kHalfBlock];
        std::size_t used = 3;
        if (const char32_t mark = threeByteAt(p, i + 3 <= n ? i + 3 : n, n); mark == 0xFF9E || mark == 0xFF9F) {
            if (const Utf8Out& pair = t.pairToFull[c - kHalfBlock][mark - 0xFF9E]; pair.length) {
                o = &pair;
                used = 6;
            }
        }
        if (o->length) out.put(i, used, *o);
        i += used;
    }
    return out.finish();
}

Text zenkakuToHankaku(std::string_view text) {
    const FastTables& t = fastTables();
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    KanaOut out(text, n);
    for (std::size_t i = nextLead(p, 0, n, 0xE3); i != std::string_view::npos; i = nextLead(p, i, n, 0xE3)) {
        const char32_t c = threeByteAt(p, i, n);
        if (c < kKanaBlock || c >= kKanaBlock + 0x100) {
            ++i;
            continue;
        }
        if (const Utf8Out& o = t.fullToHalf[c - kKanaBlock]; o.length) out.put(i, 3, o);
        i += 3;
    }
    return out.finish();
}

}  // namespace kk::convert
