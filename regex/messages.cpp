// Message texts. Placeholders %1 and %2 take the arguments.
#include "regex/messages.h"

#include <atomic>
#include <cstdlib>
#include <map>
#include <string_view>

namespace kk::regex {

namespace {

std::atomic<Language> current{Language::Japanese};

struct Text {
    const char* ja;
    const char* en;
};

const std::map<Msg, Text>& table() {
    static const std::map<Msg, Text> t = {
        {Msg::NotRegexCommand, {"正規表現のコマンドではありません (s/ tr/ m/ で始めます)",
                                "not a regular-expression command: expected s/, tr/ or m/"}},
        {Msg::MissingSlashAfterPattern, {"パターンの後ろの「/」がありません", "missing closing \"/\" after the pattern"}},
        {Msg::MissingSlashAfterReplacement,
         {"置換文字列の後ろの「/」がありません", "missing closing \"/\" after the replacement"}},
        {Msg::MissingSlashAfterList,
         {"置き換える文字の並びの後ろの「/」がありません", "missing closing \"/\" after the replacement list"}},
        {Msg::OptionENotSupported, {"オプション「e」(置換文字列をコードとして実行) は使えません",
                                    "option \"e\" (evaluate the replacement as code) is not supported"}},
        {Msg::UnknownOption, {"オプション「%1」はありません (g i m s x k が使えます)",
                              "unknown option \"%1\" (takes g i m s x k)"}},
        {Msg::UnknownTrOption, {"オプション「%1」はありません (tr では c d s r が使えます)",
                                "unknown option \"%1\" (tr/// takes c d s r)"}},
        {Msg::WrongCommandKind, {"%1 のコマンドが必要です", "expected a %1 command"}},
        {Msg::BadPattern, {"パターンの誤り: %1", "bad pattern: %1"}},
        {Msg::MatchFailed, {"照合に失敗しました: %1", "match failed: %1"}},
        {Msg::TooComplex, {"このテキストにはパターンが複雑すぎます。テキストはそのままです",
                           "pattern too complex for this text"}},
        {Msg::KeepMovedBack, {"ここでは \\K で一致の始まりを前に戻せません",
                              "\\K may not move the match start backwards here"}},
        {Msg::NoSuchGroup, {"置換文字列がグループ %1 を使っていますが、パターンのグループは %2 個です",
                            "the replacement refers to group %1 but the pattern has %2 group(s)"}},
        {Msg::NoSuchName, {"パターンに「%1」という名前のグループはありません", "the pattern has no group named \"%1\""}},
        {Msg::BadNamedIndex, {"$-{名前}[番号] と書きます", "expected $-{name}[number]"}},
        {Msg::BadGroupReference, {"グループの指定の誤りです (${番号} と書きます)", "bad group reference: expected ${number}"}},
        {Msg::BadEscapeInReplacement, {"置換文字列の「\\」の書き方の誤りです", "bad character escape in the replacement"}},
        {Msg::BadEscapeInTrList, {"tr の文字の並びの「\\」の書き方の誤りです", "bad character escape in tr list"}},
        {Msg::TrRangeBackwards, {"tr の範囲の終わりが始まりより前です", "invalid range in tr list: the end comes before the start"}},
        {Msg::Column, {" (%1 文字目)", " (column %1)"}},
    };
    return t;
}

// PCRE2's compile errors that a user meets; the rest keep PCRE2's English.
const std::map<int, const char*>& patternErrorsJa() {
    static const std::map<int, const char*> t = {
        {101, "パターンの最後が「\\」です"},
        {103, "認識できないエスケープです"},
        {104, "{} の数が大小逆です"},
        {105, "{} の数が大きすぎます"},
        {106, "「]」がありません"},
        {107, "文字クラスの中で使えないエスケープです"},
        {108, "文字クラスの範囲の順序が逆です"},
        {109, "繰り返す対象がありません"},
        {111, "(? の後ろの文字を認識できません"},
        {112, "POSIX の文字クラスは [] の中でだけ使えます"},
        {114, "「)」がありません"},
        {115, "存在しないグループを参照しています"},
        {118, "(?# の後ろに「)」がありません"},
        {119, "括弧の入れ子が深すぎます"},
        {120, "パターンが大きすぎます"},
        {122, "対応する「(」のない「)」があります"},
        {124, "条件の後ろに「)」がありません"},
        {125, "後読みの長さが決まりません"},
        {130, "認識できない POSIX の文字クラスです"},
        {134, "文字コードが大きすぎます"},
        {142, "グループ名の終わりがありません"},
        {143, "同じ名前のグループがあります"},
        {144, "グループ名の誤りです"},
        {146, "Unicode 属性の書き方の誤りです"},
        {147, "認識できない Unicode 属性です"},
        {150, "文字クラスの範囲の誤りです"},
        {155, "\\o の後ろに「{」がありません"},
        {157, "\\g の書き方の誤りです"},
        {160, "認識できない (*動詞) です"},
        {162, "グループ名がありません"},
        {164, "8 進数の誤りです"},
        {167, "16 進数の誤りです"},
        {178, "8 進数か 16 進数の数字がありません"},
        {186, "パターンが複雑すぎます"},
        {187, "後読みが長すぎます"},
    };
    return t;
}

std::string fill(std::string s, const std::string& a1, const std::string& a2) {
    for (const auto& [mark, value] : {std::pair<std::string_view, const std::string&>{"%1", a1}, {"%2", a2}})
        for (std::size_t at = s.find(mark); at != std::string::npos; at = s.find(mark, at + value.size()))
            s.replace(at, 2, value);
    return s;
}

}  // namespace

void setMessageLanguage(Language language) { current.store(language); }
Language messageLanguage() { return current.load(); }

Language languageFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(name);
        if (v && *v) return std::string_view(v).starts_with("ja") ? Language::Japanese : Language::English;
    }
    return Language::English;
}

std::string message(Msg id, const std::string& arg1, const std::string& arg2) {
    const auto it = table().find(id);
    if (it == table().end()) return {};
    return fill(messageLanguage() == Language::Japanese ? it->second.ja : it->second.en, arg1, arg2);
}

std::string patternErrorText(int code, const std::string& english) {
    if (messageLanguage() == Language::English) return english;
    const auto it = patternErrorsJa().find(code);
    return it != patternErrorsJa().end() ? it->second : english + " (PCRE2 " + std::to_string(code) + ")";
}

}  // namespace kk::regex
