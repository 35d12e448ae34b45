#include "core/text_codec.h"
#include "core/big_buffer.h"

#include <gtest/gtest.h>

#include <unicode/ucnv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

namespace kk {
namespace {

TEST(TextCodec, Utf8Validation) {
    EXPECT_TRUE(isValidUtf8(""));
    EXPECT_TRUE(isValidUtf8("plain ascii text that is longer than eight bytes"));
    EXPECT_TRUE(isValidUtf8("𠮷野家 🙂 ｶﾞ"));
    EXPECT_FALSE(isValidUtf8("\x82\xa0"));          // Shift_JIS あ
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(isValidUtf8("abc\xE3\x81"));       // truncated
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
}

// The block-wise check must agree with the byte-by-byte one wherever a fault
// sits: inside a block, across a block edge, in the tail.
TEST(TextCodec, Utf8ValidationAgreesWithReference) {
    std::mt19937 rng(7);
    const std::string pieces[] = {
        "a",        " ",    "あ",  "𠮷", "ｶ", "é", "\x80", "\xC0\xAF", "\xED\xA0\x80", "\xE3\x81", "\xF4\x90\x80\x80",
        "\xF0\x9F", "\xFF", "\r\n"};
    for (int round = 0; round < 4000; ++round) {
        std::string s;
        const int len = static_cast<int>(rng() % 120);
        const bool clean = rng() % 2;  // half the texts valid, to test no false alarms
        while (static_cast<int>(s.size()) < len) s += pieces[rng() % (clean ? 6 : std::size(pieces))];
        ASSERT_EQ(isValidUtf8(s), isValidUtf8Scalar(s)) << testing::PrintToString(s);
    }
    const std::string big(1 << 16, 'x');
    for (std::size_t at : {0u, 31u, 32u, 33u, 63u, 64u, 65535u}) {
        for (const char* bad : {"\x80", "\xE3\x81", "\xF0\x9F\x99"}) {
            std::string s = big;
            s.replace(at, std::min(std::strlen(bad), s.size() - at), bad, std::min(std::strlen(bad), s.size() - at));
            EXPECT_FALSE(isValidUtf8(s)) << at << " " << testing::PrintToString(bad);
        }
        EXPECT_FALSE(isValidUtf8(big + "\xE3\x81"));
        EXPECT_TRUE(isValidUtf8(big + "あ"));
    }
}

// Checked in pieces, the answer is the whole text's wherever the cuts fall,
// also inside a character.
TEST(TextCodec, Utf8InPiecesAgreesWithTheWhole) {
    for (const std::string text : {"", "abc", "あい𠮷ｶ\r\n", "ab\xE3\x81", "\xE3\x81\x82\x82", "a\xC0\xAF" "b", "\x82\xa0x",
                                   "𠮷\xF0\x9F", "é\xED\xA0\x80"}) {
        for (std::size_t first = 0; first <= text.size(); ++first) {
            for (std::size_t second = first; second <= text.size(); ++second) {
                Utf8Pieces check;
                for (const std::string_view piece : {std::string_view(text).substr(0, first),
                                                     std::string_view(text).substr(first, second - first),
                                                     std::string_view(text).substr(second)})
                    check.take(piece);
                EXPECT_EQ(check.valid(), isValidUtf8(text)) << testing::PrintToString(text) << " " << first << " " << second;
            }
        }
    }
}

// One decision for the whole input: UTF-8 as it is, all-CP932 converted,
// anything else kept byte for byte (nothing replaced, nothing dropped).
TEST(TextCodec, BytePolicyDecidesForTheWholeInput) {
    struct Case {
        const char* name;
        std::string in;
        InputEncoding wanted;
        DecodedAs as;
        std::string out;
    } cases[] = {
        {"utf8", "日本\r\nあい\n🙂", InputEncoding::Auto, DecodedAs::Utf8, "日本\r\nあい\n🙂"},
        {"empty", "", InputEncoding::Auto, DecodedAs::Utf8, ""},
        {"whole cp932", "\x93\xfa\x96\x7b\n\x82\xa0\x82\xa2\n", InputEncoding::Auto, DecodedAs::Cp932, "日本\nあい\n"},
        // Two bytes are no clear sign of Japanese: kept as they are.
        {"half-width kana alone kept", "\xb6\xde", InputEncoding::Auto, DecodedAs::Bytes, "\xb6\xde"},
        {"latin1 asked", "caf\xe9", InputEncoding::Latin1, DecodedAs::Latin1, "café"},
        {"latin-1 kept", "caf\xe9 na\xefve\n", InputEncoding::Auto, DecodedAs::Bytes, "caf\xe9 na\xefve\n"},
        // UTF-8 lines beside a CP932 line read as CP932 as a whole (mojibake,
        // but decided once); a byte neither can read keeps all of it as it is.
        {"mixed lines kept", "日本\n\x82\xa0\xff\n", InputEncoding::Auto, DecodedAs::Bytes, "日本\n\x82\xa0\xff\n"},
        {"utf8 forced keeps bytes", "\x82\xa0", InputEncoding::Utf8, DecodedAs::Bytes, "\x82\xa0"},
        {"cp932 forced", "\x82\xa0", InputEncoding::Cp932, DecodedAs::Cp932, "あ"},
        {"cp932 forced keeps what it cannot read", "\x82\xa0\xff!", InputEncoding::Cp932, DecodedAs::Cp932, "あ\xff!"},
    };
    for (const auto& c : cases) {
        DecodedAs as{}, taken{};
        EXPECT_EQ(decodeBytes(std::string_view(c.in), c.wanted, &as), c.out) << c.name;
        EXPECT_EQ(as, c.as) << c.name;
        // Taking the bytes over decides the same.
        EXPECT_EQ(decodeBytes(std::string(c.in), c.wanted, &taken), c.out) << c.name;
        EXPECT_EQ(taken, c.as) << c.name;
    }
}

// A decision from the start alone never differs from the whole one: when it
// says the bytes stand, the whole decision keeps them too.
TEST(TextCodec, DecisionFromTheStart) {
    const std::string japanese = "東京 カタカナ 2026 hello\n";
    std::string long8;
    while (long8.size() < (100u << 10)) long8 += japanese;
    const struct {
        const char* name;
        std::string in;
        InputEncoding wanted;
        bool taken;
    } cases[] = {
        {"utf8 japanese", long8, InputEncoding::Auto, true},
        {"utf8 asked", "\x82\xa0\n", InputEncoding::Utf8, true},
        {"cp932 asked", long8, InputEncoding::Cp932, false},
        {"ascii says nothing", std::string(1000, 'a') + "\n", InputEncoding::Auto, false},
        {"no line end to cut at", "日本", InputEncoding::Auto, false},
        {"cp932", [] { std::string t; for (int i = 0; i < 20000; ++i) t += "\x93\xfa\x96\x7b\n"; return t; }(),
         InputEncoding::Auto, false},
        // A CP932 line then UTF-8: mixed, so neither.
        {"cp932 then utf8", "\x93\xfa\x96\x7b\n" + long8, InputEncoding::Auto, true},
        // A lead byte before the cut is an error in the whole text as well.
        {"lead byte at the cut", "ab\x82\n\x82\xa0", InputEncoding::Auto, true},
        {"utf8 start, cp932 after 64 KB", long8 + "\x82\xa0\n", InputEncoding::Auto, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(takenAsTheyAre(c.in, c.wanted), c.taken) << c.name;
        std::string converted;
        const DecodedAs as = decideEncoding(c.in, c.wanted, converted);
        if (c.taken) {
            EXPECT_TRUE(as == DecodedAs::Utf8 || as == DecodedAs::Bytes) << c.name;
        }
    }
}

std::string toCp932(std::string_view utf8) {
    std::string out(utf8.size() * 2 + 16, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_convert("windows-31j", "UTF-8", out.data(), static_cast<int32_t>(out.size()), utf8.data(),
                                   static_cast<int32_t>(utf8.size()), &status);
    EXPECT_TRUE(U_SUCCESS(status)) << utf8;
    out.resize(static_cast<std::size_t>(n));
    return out;
}

// Latin-1 and CP1252 words that happen to decode as CP932 stay bytes; CP932
// prose, short and long, is read as CP932.
TEST(TextCodec, AutomaticDecisionByDetection) {
    const char* western[] = {"r\xe9sum\xe9s\n", "gar\xe7on", "Stra\xdf" "e", "fa\xe7" "ade", "na\xefve caf\xe9",
                             "\x93Quoted\x94 text", "it\x92s \x96 done\x85", "M\xfc" "ller \xfc" "ber", "\xc0 la carte"};
    for (const char* w : western) {
        DecodedAs as{};
        EXPECT_EQ(decodeBytes(std::string_view(w), InputEncoding::Auto, &as), w) << w;
        EXPECT_EQ(as, DecodedAs::Bytes) << w;
    }
    const char* prose[] = {
        "あ",
        "日本語のテキスト",
        "こんにちは、世界。",
        "ファイル名.txt",
        "株式会社サンプル",
        "全角スペース　と記号「」",
        "s/日本/にほん/gk\r\ns/あ/い/gk\r\n",
        "山田太郎さん\n鈴木一郎さん\n",
        "吾輩は猫である。名前はまだ無い。",
        "どこで生れたかとんと見当がつかぬ。",
        "東京都千代田区丸の内１－１－１",
        "ｶﾀｶﾅﾃﾞｽ、ひらがなです。",
        "令和８年１２月８日（火）",
        "①②③　㈱　～",
        "お問い合わせは下記までご連絡ください。\r\n担当：佐藤\r\n",
        "今日は良い天気ですね。明日も晴れるでしょう。",
        "価格：１，２００円（税込）",
        "メールアドレス: taro@example.jp です。",
        "「引用」と『二重引用』。",
    };
    std::string longText;
    for (int k = 0; k < 2000; ++k) longText += std::string(prose[k % std::size(prose)]) + "\n";
    std::vector<std::string> samples(std::begin(prose), std::end(prose));
    samples.push_back(longText);
    for (const auto& utf8 : samples) {
        DecodedAs as{};
        EXPECT_TRUE(decodeBytes(toCp932(utf8), InputEncoding::Auto, &as) == utf8) << utf8.substr(0, 60);
        EXPECT_EQ(as, DecodedAs::Cp932) << utf8.substr(0, 60);
    }
}

TEST(TextCodec, RandomBytesComeBackAsTheyWere) {
    std::mt19937 rng(11);
    std::string bytes(100'000, '\0');
    for (char& b : bytes) b = static_cast<char>(rng());
    DecodedAs as{};
    EXPECT_TRUE(decodeBytes(bytes, InputEncoding::Auto, &as) == bytes);
    EXPECT_EQ(as, DecodedAs::Bytes);
}

// A CP932 text longer than ICU's 32-bit slices, converted in pieces with a
// character on every slice edge.
TEST(TextCodec, LongCp932TextConvertsWhole) {
    std::string bytes;
    for (int i = 0; i < 70'000; ++i) bytes += (i % 3 == 0) ? "a" : "\x82\xa0";
    std::string out;
    ASSERT_TRUE(convertCp932(bytes, out));
    EXPECT_EQ(codePointCount(out), 70'000);
    EXPECT_TRUE(isValidUtf8(out));
}

TEST(TextCodec, WriteAllReportsAFullDisk) {
    std::FILE* full = std::fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    EXPECT_FALSE(writeAll(full, std::string(1 << 16, 'x')));
    std::fclose(full);
}

TEST(TextCodec, Cp932ByteLength) {
    struct {
        const char* text;
        std::int64_t bytes;
    } cases[] = {
        {"", 0},     {"abc\r\n", 5}, {"abc\n", 4}, {"ｶﾞ", 2},
        {"あ漢", 4}, {"\\", 1},      {"🙂", 4},  // CP932 lacks it: its UTF-8 length
        {"𠮷", 4},
    };
    for (const auto& c : cases) EXPECT_EQ(cp932ByteLength(c.text), c.bytes) << c.text;
}

// The one-pass tally agrees with counting each thing on its own, wherever
// the line ends and multi-byte characters fall against its 8-byte words (its
// CP932 lengths are checked against iconv in the count tests).
TEST(TextCodec, TallyAgreesWithSeparateCounts) {
    std::mt19937 rng(3);
    const char* pieces[] = {"a", "\n", "bcdefgh", "あ", "ｶ", "🙂", "〜", "\r\n", " ", "\xff"};
    for (int round = 0; round < 2000; ++round) {
        std::string s;
        for (int k = static_cast<int>(rng() % 40); k > 0; --k) s += pieces[rng() % std::size(pieces)];
        const TextTally t = tallyText(s);
        ASSERT_EQ(t.lineEnds, static_cast<std::int64_t>(std::count(s.begin(), s.end(), '\n'))) << s;
        if (isValidUtf8(s)) {  // bytes that are no UTF-8 count one each here
            ASSERT_EQ(t.codePoints, codePointCount(s)) << s;
        }
    }
}

TEST(TextCodec, CodePoints) {
    EXPECT_EQ(codePointCount("a𠮷ｶ"), 3);
    std::string s;
    appendUtf8(s, 0x20BB7);
    std::size_t pos = 0;
    EXPECT_EQ(nextCodePoint(s, pos), 0x20BB7u);
    EXPECT_EQ(pos, 4u);
}

}  // namespace
}  // namespace kk

namespace kk {
namespace {

// A big text is tallied in two halves; the split must cut no character.
TEST(TextCodec, BigTallyEqualsItsParts) {
    const std::string unit = "aあ🙂\n";  // 4 code points, 1 line end, 1 + 2 + 4 + 1 CP932 bytes
    std::string big;
    while (big.size() < (std::size_t{17} << 20)) big += unit;
    big += "\xE3";  // and a stray lead byte at the very end
    const std::int64_t units = static_cast<std::int64_t>(big.size() / unit.size());
    const TextTally t = tallyText(big);
    EXPECT_EQ(t.codePoints, units * 4 + 1);
    EXPECT_EQ(t.lineEnds, units);
    EXPECT_EQ(t.cp932Bytes, units * 8 + 1);
}

}  // namespace
}  // namespace kk

namespace kk {
namespace {

// The vector pass over valid UTF-8 agrees with counting each character on
// its own (the scalar path), wherever characters straddle its 64-byte steps:
// half-width kana (1 byte), kanji CP932 has and lacks (2 and 3), 2-byte
// letters with and without a CP932 form, 4-byte characters.
TEST(TextCodec, VectorTallyAgreesWithEachCharacter) {
    std::mt19937 rng(64);
    const char* pieces[] = {"a", "\n", "\r\n", "あ", "漢", "丂", "ｶ", "ﾟ", "α", "é", "🙂", "〜", "xyz", "－"};
    for (int round = 0; round < 200; ++round) {
        std::string s;
        TextTally want;
        for (int k = static_cast<int>(rng() % 400); k > 0; --k) {
            const std::string piece = pieces[rng() % std::size(pieces)];
            s += piece;
            want.codePoints += codePointCount(piece);
            want.lineEnds += static_cast<std::int64_t>(std::count(piece.begin(), piece.end(), '\n'));
            for (std::size_t i = 0; i < piece.size();) {
                const std::size_t from = i;
                nextCodePoint(piece, i);
                want.cp932Bytes += cp932ByteLength(piece.substr(from, i - from));
            }
        }
        const TextTally t = tallyText(s);
        ASSERT_EQ(t.codePoints, want.codePoints) << s;
        ASSERT_EQ(t.lineEnds, want.lineEnds) << s;
        ASSERT_EQ(t.cp932Bytes, want.cp932Bytes) << s;
    }
}

}  // namespace
}  // namespace kk

// A text that grows in parts of no announced size (a clipboard read) keeps
// every byte through each move to a bigger buffer, small and huge-page sized.
TEST(BigBuffer, GrowingKeepsTheText) {
    for (const std::size_t part : {std::size_t{7}, std::size_t{1} << 20, (std::size_t{3} << 20) + 5}) {
        std::string text, expected;
        for (int i = 0; i < 12; ++i) {
            const std::string piece(part, static_cast<char>('a' + i));
            kk::growText(text, piece.size());
            EXPECT_GE(text.capacity() - text.size(), piece.size());
            text.append(piece);
            expected.append(piece);
        }
        EXPECT_EQ(text, expected) << "parts of " << part;
        kk::reserveText(text, text.size() * 3);
        EXPECT_EQ(text, expected) << "reserved after, parts of " << part;
    }
}

namespace kk {
namespace {

// A text read a piece at a time tallies as it does whole, however the reads
// cut it: reads of a few bytes cut characters, CR LF pairs and stray bytes
// at every place; a big text also splits in two halves on two threads.
TEST(TextCodec, TallyReadAgreesWithTheWhole) {
    auto readerOver = [](std::string_view s, std::mt19937& rng, std::size_t most) -> ReadAt {
        return [s, &rng, most](std::size_t offset, char* into, std::size_t room) -> std::ptrdiff_t {
            const std::size_t n = std::min({room, s.size() - std::min(offset, s.size()), 1 + rng() % most});
            std::memcpy(into, s.data() + offset, n);
            return static_cast<std::ptrdiff_t>(n);
        };
    };
    auto same = [](const TextTally& a, const TextTally& b) {
        return a.codePoints == b.codePoints && a.lineEnds == b.lineEnds && a.cp932Bytes == b.cp932Bytes &&
               a.crlfs == b.crlfs && a.valid == b.valid;
    };
    std::mt19937 rng(7);
    const char* pieces[] = {"a", "\n", "\r", "\r\n", "あ", "ｶ", "🙂", "α", "\xff", "\xe3\x81", "\x81"};
    for (int round = 0; round < 500; ++round) {
        std::string s;
        for (int k = static_cast<int>(rng() % 60); k > 0; --k) s += pieces[rng() % std::size(pieces)];
        int error = -1;
        const TextTally t = tallyRead(s.size(), readerOver(s, rng, 7), error);
        ASSERT_EQ(error, 0);
        ASSERT_TRUE(same(t, tallyText(s))) << s;
    }
    // Two halves, with the middle between a CR and its LF, and within a character.
    const struct {
        std::size_t from;  // against the middle
        const char* put;
    } middles[] = {{1, "\r\n"}, {2, "\r\n"}, {1, "あ"}, {2, "あ"}, {1, "🙂"}, {0, "\xff\n"}};
    for (const auto& m : middles) {
        std::string big(std::size_t{17} << 20, 'x');
        big.replace(big.size() / 2 - m.from, std::strlen(m.put), m.put);
        int error = 0;
        const TextTally t = tallyRead(big.size(), readerOver(big, rng, std::size_t{1} << 20), error);
        EXPECT_TRUE(same(t, tallyText(big))) << m.put;
    }
}

TEST(TextCodec, TallyReadStopsAtAFailureOrAnEarlyEnd) {
    const std::string text = "abc\nあいう\n";
    int error = 0;
    tallyRead(text.size(), [](std::size_t, char*, std::size_t) -> std::ptrdiff_t { return -EIO; }, error);
    EXPECT_EQ(error, EIO);
    // A file cut short while it is read: the tally of what there was.
    const TextTally t = tallyRead(
        100, [&](std::size_t offset, char* into, std::size_t room) -> std::ptrdiff_t {
            const std::size_t n = std::min(room, text.size() - std::min(offset, text.size()));
            std::memcpy(into, text.data() + offset, n);
            return static_cast<std::ptrdiff_t>(n);
        },
        error);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(t.codePoints, tallyText(text).codePoints);
}

}  // namespace
}  // namespace kk

namespace kk {
namespace {

// Past the size of one checked block, a stray byte somewhere in the middle
// changes how the rest is counted but not what it counts.
TEST(TextCodec, TallyOverBlocksWithStrayBytes) {
    std::mt19937 rng(11);
    const char* pieces[] = {"a", "\n", "\r", "\r\n", "あ", "漢", "ｶ", "🙂", "α", "xyz"};
    for (const std::size_t strayAt : {std::size_t{0}, std::size_t{100'000}, std::size_t{300'000}, std::size_t{1} << 30}) {
        std::string s;
        TextTally want;
        while (s.size() < 400'000) {
            const std::string piece = s.size() >= strayAt && want.valid ? "\xff" : pieces[rng() % std::size(pieces)];
            want.valid = want.valid && piece != "\xff";
            s += piece;
            want.codePoints += piece == "\xff" ? 1 : codePointCount(piece);
            want.cp932Bytes += piece == "\xff" ? 1 : cp932ByteLength(piece);
        }
        want.lineEnds = static_cast<std::int64_t>(std::count(s.begin(), s.end(), '\n'));
        for (std::size_t at = s.find("\r\n"); at != std::string::npos; at = s.find("\r\n", at + 2)) ++want.crlfs;
        const TextTally t = tallyText(s);
        EXPECT_EQ(t.codePoints, want.codePoints) << strayAt;
        EXPECT_EQ(t.cp932Bytes, want.cp932Bytes) << strayAt;
        EXPECT_EQ(t.lineEnds, want.lineEnds) << strayAt;
        EXPECT_EQ(t.crlfs, want.crlfs) << strayAt;
        EXPECT_EQ(t.valid, want.valid) << strayAt;
    }
}

}  // namespace
}  // namespace kk
