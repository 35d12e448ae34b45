// One-pass converters built from the pair and translation tables.
#include "convert/kana_width.h"

#include "platform/text_codec.h"

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

// Characters that may need work: half-width forms and the katakana/kana-punctuation blocks.
bool mayConvert(char32_t c) { return (c >= 0x3000 && c <= 0x30FF) || (c >= 0xFF61 && c <= 0xFF9F); }

}  // namespace

Text hankakuToZenkaku2(std::string_view text) {
    const Tables& t = tables();
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t from = i;
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            out.push_back(text[i++]);
            continue;
        }
        const char32_t c = nextCodePoint(text, i);
        if (!mayConvert(c)) {
            out.append(text.substr(from, i - from));
            continue;
        }
        if (i < text.size()) {
            std::size_t j = i;
            const char32_t mark = nextCodePoint(text, j);
            if (mark == 0xFF9E || mark == 0xFF9F) {
                const auto it = t.pairToFull.find((std::uint64_t(c) << 32) | mark);
                if (it != t.pairToFull.end()) {
                    appendUtf8(out, it->second);
                    i = j;
                    continue;
                }
            }
        }
        const auto it = t.halfToFull.find(c);
        if (it != t.halfToFull.end()) appendUtf8(out, it->second);
        else out.append(text.substr(from, i - from));
    }
    return out;
}

Text zenkakuToHankaku(std::string_view text) {
    const Tables& t = tables();
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t from = i;
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            out.push_back(text[i++]);
            continue;
        }
        const char32_t c = nextCodePoint(text, i);
        if (!mayConvert(c)) {
            out.append(text.substr(from, i - from));
            continue;
        }
        if (const auto p = t.fullToPair.find(c); p != t.fullToPair.end()) {
            for (const char32_t h : p->second) appendUtf8(out, h);
            continue;
        }
        if (const auto s = t.fullToHalf.find(c); s != t.fullToHalf.end()) appendUtf8(out, s->second);
        else out.append(text.substr(from, i - from));
    }
    return out;
}

}  // namespace kk::convert
