// Message texts. Placeholders %1 and %2 take the arguments.
#include "texts/texts.h"

#include <map>
#include <mutex>

#include <atomic>
#include <cstdlib>
#include <map>
#include <string_view>

namespace kk::texts {

namespace {

std::atomic<Language> current{Language::Japanese};

struct Entry {
    const char* ja;
    const char* en;  // null: the window's own caption, Japanese only
};

const std::map<Msg, Entry>& table() {
    static const std::map<Msg, Entry> t = {
        {Msg::NotRegexCommand,
         {"正規表現のコマンドではありません (s/ tr/ m/ で始めます)",
          "not a regular-expression command: expected s/, tr/ or m/"}},
        {Msg::MissingSlashAfterPattern,
         {"パターンの後ろの「/」がありません", "missing closing \"/\" after the pattern"}},
        {Msg::MissingSlashAfterReplacement,
         {"置換文字列の後ろの「/」がありません", "missing closing \"/\" after the replacement"}},
        {Msg::MissingSlashAfterList,
         {"置き換える文字の並びの後ろの「/」がありません", "missing closing \"/\" after the replacement list"}},
        {Msg::OptionENotSupported,
         {"オプション「e」(置換文字列をコードとして実行) は使えません",
          "option \"e\" (evaluate the replacement as code) is not supported"}},
        {Msg::UnknownOption,
         {"オプション「%1」はありません (g i m s x k が使えます)", "unknown option \"%1\" (takes g i m s x k)"}},
        {Msg::UnknownTrOption,
         {"オプション「%1」はありません (tr では c d s r が使えます)", "unknown option \"%1\" (tr/// takes c d s r)"}},
        {Msg::WrongCommandKind, {"%1 のコマンドが必要です", "expected a %1 command"}},
        {Msg::BadPattern, {"パターンの誤り: %1", "bad pattern: %1"}},
        {Msg::MatchFailed, {"照合に失敗しました: %1", "match failed: %1"}},
        {Msg::TooComplex,
         {"このテキストにはパターンが複雑すぎます。テキストはそのままです", "pattern too complex for this text"}},
        {Msg::KeepMovedBack,
         {"ここでは \\K で一致の始まりを前に戻せません", "\\K may not move the match start backwards here"}},
        {Msg::NoSuchGroup,
         {"置換文字列がグループ %1 を使っていますが、パターンのグループは %2 個です",
          "the replacement refers to group %1 but the pattern has %2 group(s)"}},
        {Msg::NoSuchName,
         {"パターンに「%1」という名前のグループはありません", "the pattern has no group named \"%1\""}},
        {Msg::BadNamedIndex, {"$-{名前}[番号] と書きます", "expected $-{name}[number]"}},
        {Msg::BadGroupReference,
         {"グループの指定の誤りです (${番号} と書きます)", "bad group reference: expected ${number}"}},
        {Msg::BadEscapeInReplacement,
         {"置換文字列の「\\」の書き方の誤りです", "bad character escape in the replacement"}},
        {Msg::BadEscapeInTrList, {"tr の文字の並びの「\\」の書き方の誤りです", "bad character escape in tr list"}},
        {Msg::TrRangeBackwards,
         {"tr の範囲の終わりが始まりより前です", "invalid range in tr list: the end comes before the start"}},
        {Msg::Column, {" (%1 文字目)", " (column %1)"}},
        {Msg::OutputTooBig,
         {"結果が大きすぎるので止めました (1024 MB を超えました)。テキストはそのままです",
          "result too big: stopped past 1024 MB; the text is unchanged"}},
        {Msg::Cancelled, {"中止しました", "cancelled"}},
        {Msg::StatusClipboard, {"現在のクリップボード内容", "clipboard loaded"}},
        {Msg::StatusLoading, {"クリップボードを読み込み中", "loading the clipboard"}},
        {Msg::ClipboardUnreadable,
         {"クリップボードを読めませんでした。テキストはそのままです",
          "could not read the clipboard; the text is unchanged"}},
        {Msg::ClipboardUnwritable,
         {"クリップボードに書き込めませんでした。テキストはそのままです",
          "could not write the clipboard; the text is unchanged"}},
        {Msg::StatusStartClip, {"起動時のクリップボード内容", "the clipboard at start-up"}},
        {Msg::StatusBefore, {"置換前文字列", "the text before the run"}},
        {Msg::StatusAfter, {"置換後文字列", "the text after the run"}},
        {Msg::StatusRunning, {"変換中", "running"}},
        {Msg::StatusDone, {"変換終了", "done"}},
        {Msg::Undone, {"元に戻しました", "undone"}},
        {Msg::Redone, {"やり直しました", "redone"}},
        {Msg::NoFilterPreview,
         {"フィルタのコマンドはプレビューしません (置換実行で実行します)",
          "filter commands are not previewed (run to apply)"}},
        {Msg::PreviewPlaces,
         {"箇所を置換 (プレビュー。置換実行で反映します)", "places replaced (preview; run to apply)"}},
        {Msg::PreviewLines, {"行が一致 (プレビュー。置換実行で反映します)", "lines match (preview; run to apply)"}},
        {Msg::PreviewConversion,
         {"%2: %1 箇所が変わります (プレビュー。メニューを選ぶと反映します)",
          "%2: %1 places change (preview; choose the item to apply)"}},
        {Msg::Busy, {"前の処理が終わっていません", "the previous job has not ended"}},
        {Msg::OutOfMemory,
         {"メモリが足りませんでした。テキストはそのままです", "out of memory; the text is unchanged"}},
        {Msg::WorkFailed,
         {"処理に失敗しました。テキストはそのままです: %1", "the job failed; the text is unchanged: %1"}},
        {Msg::UnknownConversion, {"そのような変換はありません: %1", "no such conversion: %1"}},
        {Msg::ClipboardHoldsNoText, {"クリップボードにテキストがありません", "the clipboard holds no text"}},
        {Msg::ClipboardHadReplacements,
         {"現在のクリップボード内容 (読めない文字を U+FFFD (�) に置き換えた箇所があります)",
          "clipboard loaded (characters it could not read became U+FFFD)"}},
        {Msg::NoRepairFound,
         {"修復できる文字化けは見つかりませんでした。テキストはそのままです",
          "no misreading found to repair; the text is unchanged"}},
        {Msg::ClipboardOwnerSilent,
         {"クリップボードの持ち主のプログラムが応答しませんでした",
          "the program holding the clipboard did not answer"}},
        {Msg::CheckCommand, {"入力コマンドを確認してください", "check the command"}},
        {Msg::EditorDidNotOpen, {"エディタで開けませんでした: %1", "no editor opened it: %1"}},
        {Msg::CouldNotOpen,
         {"開くプログラムが見つからず、開けませんでした: %1", "no program was found to open it: %1"}},
        {Msg::FavouriteHasLineBreak,
         {"改行を含むコマンドはおきまりファイルに保存できません (この起動の間だけ一覧に残ります)。改行は \\r\\n "
          "と書いてください",
          "a command with a line break cannot be saved in the favourites file (kept for this session); write line "
          "breaks as \\r\\n"}},
        {Msg::EditDoneHold, {"編集が終わったらOKを押して下さい", "press OK when you have finished editing"}},
        {Msg::ListTooBig,
         {"一覧ファイルが大きすぎるので読み込みませんでした (%1 MB): %2", "list file too big, not read (%1 MB): %2"}},
        {Msg::ListUnreadable, {"一覧ファイルを読めませんでした: %1", "could not read the list file: %1"}},
        {Msg::HistoryUnwritable,
         {"履歴ファイルに書き込めませんでした。履歴はこの起動の間だけ残ります: %1",
          "could not write the history file; the history lasts for this session only: %1"}},
        {Msg::FavouritesUnwritable,
         {"おきまりファイルに書き込めませんでした: %1", "could not write the favourites file: %1"}},
        {Msg::ListFileTooBigAsk,
         {"%1\r\n整理すると起動が速くなります。\r\nkakikaeを起動してからOptionでも編集できます\r\n整理しますか？",
          nullptr}},
        {Msg::HistoryTooBig, {"履歴ファイルのサイズが50Kを超えています。", nullptr}},
        {Msg::FavouritesTooBig, {"お気まきの表現ファイルのサイズが50Kを超えています。", nullptr}},
        {Msg::NoSystemInfo, {"現時点ではｼｽﾃﾑ情報を使用できません", nullptr}},
        {Msg::OneLineOnly, {"中断！　１行しかありません", "stopped: there is only one line"}},
        {Msg::NoDuplicates, {"連続する重複行はありませんでした", "no adjacent duplicate lines"}},
        {Msg::DuplicatesFound, {"%1行、重複行がありました", "%1 duplicate line(s) found"}},
        {Msg::DuplicatesDeleted, {"%1行の重複行を削除しました", "%1 duplicate line(s) deleted"}},
        {Msg::FilterNoFolder,
         {"コマンド用の一時フォルダを作れませんでした。テキストはそのままです",
          "could not make the command's temporary folder; the text is unchanged"}},
        {Msg::FilterInputUnwritable,
         {"コマンドの入力ファイルを書き込めませんでした (ディスクの空きを確認してください)。テキストはそのままです: %1",
          "could not write the command's input file (check the free disk space); the text is unchanged: %1"}},
        {Msg::FilterDidNotStart, {"コマンドを起動できませんでした: %1", "the command did not start: %1"}},
        {Msg::FilterOutputTooBig,
         {"コマンドの出力が大きすぎるので止めました (%1 MB を超えました)。テキストはそのままです",
          "the command's output was too big: stopped past %1 MB; the text is unchanged"}},
        {Msg::FilterCrashed, {"コマンドが異常終了しました%1", "the command crashed%1"}},
        {Msg::FilterFailed, {"コマンドが失敗しました (終了コード %1)", "the command failed (exit code %1)"}},
        {Msg::FilterFailedKept,
         {"コマンドが失敗しました (終了コード %1)。テキストはそのままです",
          "the command failed (exit code %1); the text is unchanged"}},
        {Msg::CliReadAsCp932,
         {"入力を CP932 (Shift_JIS) として読み、UTF-8 で出力します",
          "input read as CP932 (Shift_JIS), written as UTF-8"}},
        {Msg::ClipboardRefused,
         {"クリップボードを読めませんでした: %1", "could not read the clipboard: %1"}},
        {Msg::UndoLevelsKept,
         {"（メモリのため、元に戻せるのは %1 回までです）", " (to save memory, %1 runs can be undone)"}},
        {Msg::CountStatus,
         {"%1文字，%2行，%3バイト", "characters: %1, lines: %2, bytes: %3 (Shift_JIS, a line end as CR LF)"}},
        {Msg::CliUnknownOption, {"知らないオプションです: %1", "unknown option %1"}},
        {Msg::CliTakesNoValue, {"%1 は値をとりません", "%1 takes no value"}},
        {Msg::CliNeedsValue, {"%1 には値が要ります", "%1 needs a value"}},
        {Msg::CliUnknownEncoding,
         {"知らない文字コードです: \"%1\"（auto、utf-8、cp932、latin1）", "unknown input encoding \"%1\": auto, utf-8, cp932 or latin1"}},
        {Msg::CliClipboardTakesNoFile, {"--clipboard にはファイルを付けられません", "--clipboard takes no FILE"}},
        {Msg::CliOneMode,
         {"COMMAND、-e CMD、--convert NAME、--count のどれか一つを指定してください",
          "give one of COMMAND, -e CMD, --convert NAME or --count"}},
        {Msg::CliInvertNeedsMatch, {"--invert は m// のコマンドと使います", "--invert goes with an m// command"}},
        {Msg::CliExpressionNotRegex,
         {"-e には s/// tr/// y/// m// のコマンドを指定します: %1", "-e takes an s///, tr///, y/// or m// command: %1"}},
        {Msg::CliDiffMode, {"--diff は COMMAND、-e、--convert と使います", "--diff goes with COMMAND, -e or --convert"}},
        {Msg::CliUnknownConversion,
         {"知らない変換です: \"%1\"（--list-conversions で一覧）", "unknown conversion \"%1\" (see --list-conversions)"}},
        {Msg::CliUnknownConversionNear,
         {"知らない変換です: \"%1\"。近いもの: %2（--list-conversions で一覧）",
          "unknown conversion \"%1\"; did you mean %2? (see --list-conversions)"}},
        {Msg::CliBadTimeout,
         {"--timeout には 0 より大きく 3600 までの秒数を指定します: %1", "--timeout takes seconds, more than 0 and up to 3600: %1"}},
        {Msg::CliKeptAsBytes,
         {"入力は UTF-8 でも CP932 でもありません。読めないバイトはそのまま残します (--input-encoding で指定できます)",
          "input is neither UTF-8 nor clearly CP932; bytes that are no UTF-8 are kept as they are "
          "(--input-encoding chooses)"}},
        {Msg::CliStdoutUnwritable, {"標準出力に書き込めませんでした", "could not write standard output"}},
        {Msg::CliFailedTitle, {"kakikae: 実行できませんでした", "kakikae: it did not run"}},
        {Msg::PrimaryUnavailable,
         {"この環境では選択範囲 (PRIMARY) を読めません", "the PRIMARY selection cannot be read here"}},
        {Msg::StatusPrimary, {"現在の選択範囲の内容", "selection loaded"}},
        {Msg::PrimaryHoldsNoText, {"選択範囲にテキストがありません", "the selection holds no text"}},
        {Msg::NoSuchShortcut,
         {"「%1」という名前のレシピもおきまりの表現もありません", "no recipe or favourite is named \"%1\""}},
        {Msg::RunNeedsWindow,
         {"コマンド欄のコマンドは、窓が開いているときだけ実行できます",
          "the command line's command runs only while the window is open"}},
        {Msg::CliInputCutShort,
         {"%1 が読んでいる間に短くなりました: 出力は途中までです",
          "%1 was cut short while it was read: the output stops part way"}},
        {Msg::CliInputChanged,
         {"%1 が読んでいる間に変わりました: 出力は正しくないかもしれません",
          "%1 changed while it was read: the output may be wrong"}},
        {Msg::CliClipboardNotKept,
         {"クリップボードに結果を残せませんでした", "could not leave the result on the clipboard"}},
        {Msg::CliNoClipboard,
         {"クリップボードに届きません (Wayland も X11 のディスプレイもありません)",
          "no clipboard to reach (neither a Wayland nor an X11 display)"}},
        {Msg::CliWaylandToolsMissing,
         {"Wayland のクリップボードには wl-clipboard が要ります (見つからないもの: %1)",
          "the Wayland clipboard needs wl-clipboard (missing: %1)"}},
        {Msg::CliFileUnreadable, {"ファイルを読めませんでした: %1 (%2)", "cannot read %1 (%2)"}},
        {Msg::ChangedMark, {"変更", nullptr}},
        {Msg::ProgressName, {"進み具合", nullptr}},
        {Msg::ProgressSeconds, {"秒", nullptr}},
        {Msg::MenuMime, {"&mimeデコード", nullptr}},
        {Msg::MenuConvert, {"文字種変換(&C)", nullptr}},
        {Msg::MenuNumbersDates, {"数字・日付(&N)", nullptr}},
        {Msg::MenuDuplicates, {"重複行(&d)", nullptr}},
        {Msg::MenuDeleteDuplicates, {"重複行削除", nullptr}},
        {Msg::MenuExtractDuplicates, {"重複行抽出", nullptr}},
        {Msg::MenuCount, {"文字カウント", nullptr}},
        {Msg::CountTip,
         {"文字数はコードポイント単位、バイト数はShift_JISでの長さです（改行は CR LF "
          "の2バイト、Shift_JISにない文字はUTF-8の長さで数えます）",
          nullptr}},
        {Msg::OneShotTip, {"危険！　クリップボードからの取り込み、置換、クリップボード出力を連続で行います", nullptr}},
        {Msg::MultilineTip,
         {"複数行に渡るときやメタ文字を含む時、正規表現入力を補助するダイアログを開きます。", nullptr}},
        {Msg::EditListTip, {"クリックで履歴編集", nullptr}},
        {Msg::MenuRecipes, {"レシピ(&R)", nullptr}},
        {Msg::MenuRecipeEdit, {"レシピの編集(&E)...", nullptr}},
        {Msg::RecipeEditorTitle, {"レシピの編集", nullptr}},
        {Msg::MenuNormalize, {"正規化(&K)", nullptr}},
        {Msg::StatusName, {"状態", nullptr}},
        {Msg::Failure, {"エラー: %1", nullptr}},
        {Msg::RecipeDone, {"レシピ「%1」を実行しました (%2 手順)", "recipe \"%1\" done (%2 steps)"}},
        {Msg::RecipeStepFailed,
         {"%1 番目の手順 (%2) で止まりました。テキストはそのままです: %3",
          "stopped at step %1 (%2); the text is unchanged: %3"}},
        {Msg::NoSuchRecipe, {"そのようなレシピはありません: %1", "no such recipe: %1"}},
        {Msg::RecipeNoSteps, {"手順のないレシピは保存できません", "a recipe needs at least one step"}},
        {Msg::RecipeBadName,
         {"レシピの名前に使えません: 「%1」 (空の名前、改行と ] は使えません)",
          "not a recipe name: \"%1\" (it must not be empty or hold a line break or \"]\")"}},
        {Msg::RecipeNameTaken, {"同じ名前のレシピがあります: %1", "there is a recipe named %1 already"}},
        {Msg::RecipesUnwritable,
         {"レシピファイルに書き込めませんでした: %1。レシピはそのままです",
          "could not write the recipe file %1; the recipes are unchanged"}},
        {Msg::RecipesUnreadable, {"レシピファイルを読めませんでした: %1", "could not read the recipe file %1"}},
        {Msg::RecipeFileProblem,
         {"レシピファイル %1 の %2 行目: %3。そのレシピは読み飛ばしました (ファイルには残っています)",
          "%1, line %2: %3; that recipe was skipped (it stays in the file)"}},
        {Msg::RecipeSaved, {"レシピ「%1」を保存しました", "recipe \"%1\" saved"}},
        {Msg::RecipeDeleted, {"レシピ「%1」を削除しました", "recipe \"%1\" deleted"}},
        {Msg::NoFilterPreviewRecipe,
         {"フィルタを含むレシピはプレビューしません (実行で反映します)",
          "recipes with a filter step are not previewed (run to apply)"}},
        {Msg::RecipeStepOutside, {"[名前] の行より前に手順があります", "a step before the first [name] line"}},
        {Msg::RecipeBadHeader,
         {"見出しは [名前] か [名前] 【コメント】 です", "a heading is [name] or [name] 【comment】"}},
        {Msg::RecipeEmpty, {"手順がありません", "the recipe has no steps"}},
        {Msg::RecipeUnknownLine,
         {"手順は「- 」で、続きの行は「| 」で始めます", "a step starts with \"- \", its next lines with \"| \""}},
        {Msg::RecipeSameName, {"同じ名前のレシピが前にあります", "an earlier recipe has the same name"}},
        {Msg::RecipeCount, {"レシピ %1 件", "%1 recipes"}},
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

std::string fill(std::string_view s, const std::string& a1, const std::string& a2, const std::string& a3) {
    std::string out;
    out.reserve(s.size() + a1.size() + a2.size() + a3.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 1 < s.size() && s[i + 1] >= '1' && s[i + 1] <= '3') {
            out += s[i + 1] == '1' ? a1 : s[i + 1] == '2' ? a2 : a3;
            ++i;
            continue;
        }
        out.push_back(s[i]);
    }
    return out;
}

}  // namespace

void setLanguage(Language l) { current.store(l); }
Language language() { return current.load(); }

Language languageFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(name);
        if (v && *v) return std::string_view(v).starts_with("ja") ? Language::Japanese : Language::English;
    }
    return Language::English;
}

const char* text(Msg id) {
    const auto it = table().find(id);
    if (it == table().end()) {
        // Made once per code and kept, as the table's own texts are.
        static std::mutex lock;
        static std::map<Msg, std::string> missing;
        std::lock_guard guard(lock);
        auto& t = missing[id];
        if (t.empty()) t = "no text for message " + std::to_string(static_cast<int>(id));
        return t.c_str();
    }
    return language() == Language::English && it->second.en ? it->second.en : it->second.ja;
}

std::string message(Msg id, const std::string& arg1, const std::string& arg2, const std::string& arg3) {
    return fill(text(id), arg1, arg2, arg3);
}

std::string patternErrorText(int code, const std::string& english) {
    if (language() == Language::English) return english;
    const auto it = patternErrorsJa().find(code);
    return it != patternErrorsJa().end() ? it->second : english + " (PCRE2 " + std::to_string(code) + ")";
}

}  // namespace kk::texts
