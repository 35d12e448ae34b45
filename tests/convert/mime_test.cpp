// Mail decoding: encoded words, ISO-2022-JP with and without its ESC bytes,
// quoted-printable, the buffer rules of the wrappers, and nkf as an oracle.
#include "../support/run_tool.h"
#include "convert/mime/nkf_decoder.h"
#include "convert/mod_nkf32.h"
#include "core/text_codec.h"

#include <gtest/gtest.h>

#include <unicode/ucnv.h>

#include <random>

namespace kk::convert {
namespace {

std::string b64(std::string_view s) {
    static const char* t = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < s.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(s[i]) << 16) | (static_cast<unsigned char>(s[i + 1]) << 8) |
                           static_cast<unsigned char>(s[i + 2]);
        for (int k = 18; k >= 0; k -= 6) out.push_back(t[(v >> k) & 63]);
    }
    if (i < s.size()) {
        unsigned v = static_cast<unsigned char>(s[i]) << 16;
        if (i + 1 < s.size()) v |= static_cast<unsigned char>(s[i + 1]) << 8;
        out.push_back(t[(v >> 18) & 63]);
        out.push_back(t[(v >> 12) & 63]);
        out.push_back(i + 1 < s.size() ? t[(v >> 6) & 63] : '=');
        out.push_back('=');
    }
    return out;
}

std::string qEncode(std::string_view s) {
    std::string out;
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == ' ') out.push_back('_');
        else if (c < 0x80 && std::isalnum(c)) out.push_back(static_cast<char>(c));
        else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "=%02X", c);
            out += buf;
        }
    }
    return out;
}

// UTF-8 text in another charset, by ICU.
std::string encodeAs(const std::string& utf8, const char* charset) {
    UErrorCode status = U_ZERO_ERROR;
    std::string out(utf8.size() * 4 + 16, '\0');
    const int32_t n = ucnv_convert(charset, "UTF-8", out.data(), static_cast<int32_t>(out.size()), utf8.data(),
                                   static_cast<int32_t>(utf8.size()), &status);
    EXPECT_TRUE(U_SUCCESS(status)) << charset;
    out.resize(static_cast<std::size_t>(std::max(n, 0)));
    return out;
}

std::string word(const std::string& utf8, const char* charset, char encoding) {
    const std::string bytes = encodeAs(utf8, charset);
    return std::string("=?") + charset + "?" + encoding + "?" + (encoding == 'B' ? b64(bytes) : qEncode(bytes)) + "?=";
}

TEST(Mime, EncodedWords) {
    const std::string jis = word("件名テスト", "ISO-2022-JP", 'B');
    const struct {
        std::string in, out;
    } cases[] = {
        {"Subject: " + jis, "Subject: 件名テスト"},
        {"Subject: " + word("日本語", "UTF-8", 'Q') + " " + word("です", "Shift_JIS", 'B'), "Subject: 日本語です"},
        {"From: " + word("山田", "EUC-JP", 'B') + " <yamada@example.jp>", "From: 山田 <yamada@example.jp>"},
        // A folded line between two words joins; white space before plain text stays.
        {"Subject: " + jis + "\r\n " + jis + "\r\nTo: x", "Subject: 件名テスト件名テスト\r\nTo: x"},
        {"a " + word("x y", "utf-8", 'Q') + " b", "a x y b"},
        {"=?iso-2022-jp?b?" + b64(encodeAs("あ", "ISO-2022-JP")) + "?=", "あ"},  // any case
        // Malformed or undecodable words stand as they were.
        {"=?utf-8?B?!!!?= tail", "=?utf-8?B?!!!?= tail"},
        {"=?no-such-charset?B?YWJj?=", "=?no-such-charset?B?YWJj?="},
        {"=?utf-8?X?abc?=", "=?utf-8?X?abc?="},
        {"=?utf-8?Q?=ZZ?=", "=?utf-8?Q?=ZZ?="},
        {"=?utf-8?B?" + b64("\xff\xfe") + "?=", "=?utf-8?B?" + b64("\xff\xfe") + "?="},
        {"=?utf-8?B?YWJj", "=?utf-8?B?YWJj"},
        {"price =? 3", "price =? 3"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(mimeDecode(c.in), c.out) << c.in;
}

TEST(Mime, JisTextWithAndWithoutEsc) {
    const std::string esc = encodeAs("テスト", "ISO-2022-JP");  // ESC $ B ... ESC ( B
    std::string noEsc = esc;
    std::erase(noEsc, '\x1b');
    const struct {
        std::string in, plain, broken;
    } cases[] = {
        {"abc " + esc + " def", "abc テスト def", "abc テスト def"},
        {"abc " + noEsc + " def", "abc " + noEsc + " def", "abc テスト def"},
        {"cost $B5 each", "cost $B5 each", "cost $B5 each"},     // no JIS pairs follow: not a shift
        {"\x1b$B%F\r\nnext", "テ\r\nnext", "テ\r\nnext"},        // a line end ends the shift
        {"\x1b(I123\x1b(B", "ｱｲｳ", "ｱｲｳ"},                       // half-width katakana
        {"\x1b$B\x29\x21%F\x1b(B", "\x29\x21テ", "\x29\x21テ"},  // a pair CP932 lacks stays as it was
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mimeDecode(c.in), c.plain) << c.in;
        EXPECT_EQ(mimeDecodeBroken(c.in), c.broken) << c.in;
    }
}

// ISO-2022-JP as Windows mailers write it (code pages 50220-50222): the NEC
// rows (①, ㈱) and half-width katakana by ESC ( I or by SO/SI.
TEST(Mime, WindowsVariantsOfIso2022Jp) {
    const struct {
        std::string jis;
        const char* out;
    } cases[] = {
        {"\x1b$B-!-j\x1b(B", "①㈱"},
        {"\x1b(I6\x1b(B!", "ｶ!"},
        {"a\x0e" "6^\x0f" "b", "aｶﾞb"},
        {"\x1b$B$\"\x0e" "6\x0f$$\x1b(B", "あｶい"},  // back to kanji after SI
    };
    for (const auto& c : cases) {
        EXPECT_EQ(mimeDecode("=?ISO-2022-JP?B?" + b64(c.jis) + "?="), c.out) << c.out;
        EXPECT_EQ(mimeDecode(c.jis), c.out) << c.out;
    }
}

TEST(Mime, QuotedPrintable) {
    const std::string jis = encodeAs("メール本文", "ISO-2022-JP");
    std::string qp;
    for (const char ch : jis) {
        if (ch == '\x1b') qp += "=1B";
        else if (ch == '=') qp += "=3D";
        else qp.push_back(ch);
    }
    // A soft line break in the middle, then an "=3D" in ASCII.
    qp.insert(6, "=\r\n");
    auto r = mimeDecodeQuotedPrintable(qp + " a=3Db\r\n");
    ASSERT_TRUE(r);
    EXPECT_EQ(r.value(), "メール本文 a=b\r\n");
}

TEST(Mime, WrapperBufferRules) {
    // 10 bytes: a NUL is added, capacity 11 × 3 = 33, the buffer 34 bytes.
    Bytes in(10, 'a'), out;
    EXPECT_EQ(NkfConvertBytes(in, out, "ms"), 10);
    EXPECT_EQ(in.size(), 11u);
    EXPECT_EQ(out.size(), 10u);
    // An input ending in NUL gets no second one; bytes after a NUL are not input.
    Bytes in2 = {'a', 'b', 0, 'c', 0};
    EXPECT_EQ(NkfConvertBytes(in2, out, "ms"), 2);
    EXPECT_EQ(in2.size(), 5u);
    EXPECT_EQ(std::string(out.begin(), out.end()), "ab");
    // "e" in the options makes the capacity twice the input; output never exceeds it.
    Bytes kana;
    for (const char c : std::string("\x1b(I") + std::string(30, '1')) kana.push_back(static_cast<unsigned char>(c));
    NkfConvertBytes(kana, out, "me");
    EXPECT_LE(out.size(), (kana.size()) * 2);
    EXPECT_TRUE(isValidUtf8(std::string(out.begin(), out.end())));  // no character cut in half

    Bytes t = {'x', 0, 'y'};
    EXPECT_EQ(TrimNulBytes(t), 1);
    Bytes z = {0, 'y'};
    EXPECT_EQ(TrimNulBytes(z), 0);
    Bytes none = {'p', 'q'};
    EXPECT_EQ(TrimNulBytes(none), 2);

    std::string options;
    EXPECT_EQ(NkfConvertStr("plain", options), "plain");
    EXPECT_EQ(options, "ms");

    // The string form gives what the byte form leaves in its buffer.
    const std::string samples[] = {
        "",
        std::string("ab\0cd", 5),
        std::string("ends in NUL\0", 12),
        "=?UTF-8?Q?a=00b?=",
        "=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=",
        "\x1b(I" + std::string(40, '1'),
        "\x1b$B%F%9%H\x1b(B",
    };
    for (const char* opts : {"ms", "msJB", "me", "j"})
        for (const auto& s : samples) {
            Bytes b(s.begin(), s.end()), o;
            NkfConvertBytes(b, o, opts);
            std::string letters = opts;
            EXPECT_EQ(NkfConvertStr(s, letters), std::string(o.begin(), o.end())) << opts << " " << s;
        }
}

// nkf -m -w on generated headers: B and Q words in the Japanese charsets and
// UTF-8, several words a line, some folded. One charset per run: nkf guesses
// one input code for all it decodes, so a line that mixes UTF-8 and
// Shift_JIS words comes out garbled from nkf (we decode each by its label).
TEST(Mime, AgreesWithNkf) {
    KK_REQUIRE_TOOL(kk::testing::runTool("nkf", {"--version"}, ""), "nkf");
    const char* pieces[] = {"件名",   "テスト", "ひらがな", "カタカナ", "漢字",
                            "ＡＢＣ", "abc",    "123",      "お知らせ", "【重要】"};
    const struct {
        const char* charset;
        char enc;
    } kinds[] = {
        {"ISO-2022-JP", 'B'}, {"ISO-2022-JP", 'Q'}, {"UTF-8", 'B'}, {"UTF-8", 'Q'}, {"Shift_JIS", 'B'}, {"EUC-JP", 'B'},
    };
    std::mt19937 rng(5);
    for (const auto& kind : kinds) {
        std::string corpus;
        for (int line = 0; line < 100; ++line) {
            corpus += line % 2 ? "Subject: " : "From: ";
            const int words = 1 + static_cast<int>(rng() % 3);
            for (int w = 0; w < words; ++w) {
                std::string text;
                for (int k = 1 + static_cast<int>(rng() % 3); k > 0; --k) text += pieces[rng() % std::size(pieces)];
                if (w) corpus += rng() % 2 ? " " : "\r\n ";
                corpus += word(text, kind.charset, kind.enc);
            }
            corpus += rng() % 2 ? " <user@example.jp>\r\n" : "\r\n";
        }
        const auto theirs = kk::testing::runTool("nkf", {"-m", "-w"}, corpus);
        ASSERT_TRUE(theirs);
        const std::string ours = mimeDecode(corpus);
        // Line by line, for a readable failure.
        std::size_t a = 0, b = 0;
        while (a < ours.size() || b < theirs->size()) {
            const std::size_t ea = std::min(ours.find('\n', a), ours.size());
            const std::size_t eb = std::min(theirs->find('\n', b), theirs->size());
            ASSERT_EQ(ours.substr(a, ea - a), theirs->substr(b, eb - b)) << kind.charset << " " << kind.enc;
            a = ea + 1;
            b = eb + 1;
        }
    }
}

}  // namespace
}  // namespace kk::convert
