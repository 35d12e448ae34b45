// The encoding doctor over a corpus: Japanese sentences misread every way it
// knows come back whole; clean text of every kind is never "repaired".
#include "convert/mojibake.h"
#include "convert/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kk::convert {
namespace {

// Fifty sentences of everyday Japanese, made from parts.
std::vector<std::string> japaneseSentences() {
    const char* subjects[] = {"今日は", "明日の会議は", "東京の天気は", "このテキストは", "新しいプログラムは",
                              "駅前のお店は", "先週の報告書は", "私の友達は", "日本語の文章は", "クリップボードの中身は"};
    const char* predicates[] = {"とても良いと思います。", "午後三時から始まります。", "少し変わりました。",
                                "まだ決まっていません。", "ファイルに保存してください。"};
    std::vector<std::string> out;
    for (const char* s : subjects)
        for (const char* p : predicates) out.push_back(std::string(s) + p);
    return out;
}

// Two hundred texts that need no repair: Japanese, English (with curly
// quotes, accents, the euro), both mixed, and code.
std::vector<std::string> cleanTexts() {
    std::vector<std::string> out = japaneseSentences();
    const char* english[] = {"The quick brown fox jumps over the lazy dog.", "She said “hello” and left.",
                             "A café in Zürich serves crème brûlée.", "It costs 10 € or £8 — cheap!",
                             "naïve résumé façade coöperate", "Don’t panic… it’s fine.", "Plain ASCII only, 123.",
                             "Ümlaut Öl Äpfel straße", "¿Qué tal? ¡Muy bien!", "© 2026 — all rights reserved ™"};
    const char* japanese[] = {"東京", "会議は 3 時から", "テスト", "ｶﾀｶﾅ", "「こんにちは」"};
    const char* code[] = {"int main() { return 0; }", "s/foo/bar/g", "if (a < b && c > d) x++;",
                          "{\"key\": \"値\", \"n\": 1}", "for i in range(10): print(i)",
                          "SELECT * FROM users WHERE name = '山田';", "#include <stdio.h>", "echo $HOME | tr a-z A-Z",
                          "const s = `テンプレート ${x}`;", "<p class=\"note\">注意</p>"};
    for (int round = 0; round < 6; ++round) {
        for (const char* e : english) out.push_back(std::string(e) + std::string(static_cast<std::size_t>(round), ' '));
        for (const char* j : japanese) out.push_back(j + std::string(static_cast<std::size_t>(round) * 3, '!'));
        for (const char* c : code) out.push_back(std::string(c) + std::string(static_cast<std::size_t>(round), ';'));
    }
    return out;
}

// UTF-8 read as CP932 keeps every byte only where CP932 reads them all,
// which few whole sentences do: that corpus is made of words that read.
std::vector<std::string> cp932ReadableSentences(const Misreading& m) {
    const char* words[] = {"日本", "東京", "会議", "変換", "今日", "明日", "友達", "新しい", "表示", "検索",
                           "削除", "時間", "名前", "住所", "電話", "番号", "結果", "可能", "文字", "天気",
                           "報告", "保存", "確認", "設定", "予定", "内容", "問題", "説明", "注意", "大阪"};
    std::vector<std::string> readable;
    for (const char* w : words)
        if (misread(w, m)) readable.push_back(w);
    std::vector<std::string> out;
    for (std::size_t i = 0; out.size() < 50 && i < readable.size() * readable.size(); ++i)
        out.push_back(readable[i % readable.size()] + " " + readable[(i / readable.size() + i + 1) % readable.size()] +
                      " " + readable[(i * 7 + 3) % readable.size()]);
    return out;
}

TEST(Mojibake, EveryMisreadingOfTheCorpusIsRepaired) {
    for (const Misreading& m : misreadings()) {
        int made = 0;
        const bool cp932 = std::string_view(m.readAs) == "windows-31j";
        for (const std::string& sentence : cp932 ? cp932ReadableSentences(m) : japaneseSentences()) {
            const auto broken = misread(sentence, m);
            if (!broken) continue;  // its bytes do not all read that way: no such mojibake
            ++made;
            ASSERT_NE(*broken, sentence);
            const TextResult repaired = repairMojibake(*broken);
            ASSERT_TRUE(repaired) << m.original << " read as " << m.readAs << ": " << *broken;
            EXPECT_EQ(repaired.value(), sentence) << m.original << " read as " << m.readAs;
            EXPECT_GT(japanesePlausibility(repaired.value()), japanesePlausibility(*broken));
        }
        EXPECT_EQ(made, 50) << m.original << " read as " << m.readAs;
    }
}

TEST(Mojibake, CleanTextIsNeverRepaired) {
    const auto texts = cleanTexts();
    ASSERT_GE(texts.size(), 200u);
    for (const std::string& text : texts) {
        const TextResult r = repairMojibake(text);
        EXPECT_FALSE(r) << text << " became " << (r ? r.value() : "");
    }
}

TEST(Mojibake, AKnownSampleAndTheRegistry) {
    // 日本語のテキスト in Shift_JIS, read as CP1252.
    const auto repaired = applyConversion(*findConversion("repair-mojibake"), "“ú–{Œê‚ÌƒeƒLƒXƒg");
    ASSERT_TRUE(repaired);
    EXPECT_EQ(repaired.value(), "日本語のテキスト");
    EXPECT_FALSE(applyConversion(*findConversion("repair-mojibake"), "日本語のテキスト"));
}

}  // namespace
}  // namespace kk::convert
