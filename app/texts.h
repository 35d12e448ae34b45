// The window's own texts: status lines, captions, messages.
#pragma once

namespace kk::texts {

inline constexpr const char* kAppTitle = "kakikae";
inline constexpr const char* kInitialCommand = "s///gk";

inline constexpr const char* kStatusClipboard = "現在のクリップボード内容";
inline constexpr const char* kStatusLoading = "クリップボードを読み込み中";
inline constexpr const char* kClipboardUnreadable = "クリップボードを読めませんでした。テキストはそのままです";
inline constexpr const char* kClipboardUnwritable = "クリップボードに書き込めませんでした。テキストはそのままです";
inline constexpr const char* kStatusStartClip = "起動時のクリップボード内容";
inline constexpr const char* kStatusBefore = "置換前文字列";
inline constexpr const char* kStatusAfter = "置換後文字列";
inline constexpr const char* kStatusRunning = "変換中";
inline constexpr const char* kStatusDone = "変換終了";
inline constexpr const char* kCancelled = "中止しました";
inline constexpr const char* kUndone = "元に戻しました";
inline constexpr const char* kRedone = "やり直しました";
inline constexpr const char* kNoFilterPreview = "フィルタのコマンドはプレビューしません (置換実行で実行します)";
inline constexpr const char* kPreviewPlaces = "箇所を置換 (プレビュー。置換実行で反映します)";
inline constexpr const char* kPreviewLines = "行が一致 (プレビュー。置換実行で反映します)";
inline constexpr const char* kBusy = "前の処理が終わっていません";
inline constexpr const char* kOutOfMemory = "メモリが足りませんでした。テキストはそのままです";
inline constexpr const char* kWorkFailed = "処理に失敗しました。テキストはそのままです: ";
inline constexpr const char* kUnknownConversion = "そのような変換はありません: ";
inline constexpr const char* kClipboardHoldsNoText = "クリップボードにテキストがありません";
inline constexpr const char* kClipboardHadReplacements =
    "現在のクリップボード内容 (読めない文字を U+FFFD (�) に置き換えた箇所があります)";
inline constexpr const char* kChangedMark = "変更";

inline constexpr const char* kMenuMime = "&mimeデコード";
inline constexpr const char* kMenuConvert = "文字種変換(&C)";
inline constexpr const char* kMenuDuplicates = "重複行(&d)";
inline constexpr const char* kMenuDeleteDuplicates = "重複行削除";
inline constexpr const char* kMenuExtractDuplicates = "重複行抽出";
inline constexpr const char* kMenuCount = "文字カウント";
inline constexpr const char* kCountTip =
    "文字数はコードポイント単位、バイト数はShift_JISでの長さです（改行は CR LF の2バイト、Shift_JISにない文字はUTF-8の長さで数えます）";

inline constexpr const char* kHomePage = "https://kakikae.example.jp/";  // the project's home page, the one place it is named
inline constexpr const char* kHelpFileName = "kakikae.html";

inline constexpr const char* kCheckCommand = "入力コマンドを確認してください";
inline constexpr const char* kEditorDidNotOpen = "エディタで開けませんでした: ";
inline constexpr const char* kCouldNotOpen = "開くプログラムが見つからず、開けませんでした: ";
inline constexpr const char* kFavouriteHasLineBreak =
    "改行を含むコマンドはおきまりファイルに保存できません (この起動の間だけ一覧に残ります)。改行は \\r\\n と書いてください";
inline constexpr const char* kEditDoneHold = "編集が終わったらOKを押して下さい";

inline constexpr const char* kOneShotTip =
    "危険！　クリップボードからの取り込み、置換、クリップボード出力を連続で行います";
inline constexpr const char* kMultilineTip =
    "複数行に渡るときやメタ文字を含む時、正規表現入力を補助するダイアログを開きます。";
inline constexpr const char* kEditListTip = "クリックで履歴編集";

}  // namespace kk::texts
