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
inline constexpr const char* kChangedMark = "変更";

// Conversion labels: the dispatcher's keys (most equal their menu captions).
inline constexpr const char* kConvHalfToFullKana = "ｶﾀｶﾅをカタカナに";
inline constexpr const char* kConvFullToHalfKana = "カタカナをｶﾀｶﾅに";
inline constexpr const char* kConvToHalf = "全角を半角に";
inline constexpr const char* kConvToFull = "半角を全角に";
inline constexpr const char* kConvWordCapitals = "単語先頭を大文字に";
inline constexpr const char* kConvUpper = "大文字に変換";
inline constexpr const char* kConvLower = "小文字に変換";
inline constexpr const char* kConvHiraToKata = "ひらがなをカタカナに";
inline constexpr const char* kConvKataToHira = "カタカナをひらがなに";
inline constexpr const char* kConvReverse = "文字反転";
inline constexpr const char* kConvMime = "MIMEデコード";
inline constexpr const char* kConvMimeBroken = "MIMEデコードB";
inline constexpr const char* kConvMimeQuoted = "MIMEデコードQ";
inline constexpr const char* kMenuMime = "&mimeデコード";
inline constexpr const char* kMenuMimeHeader = "ISO-2022-JPヘッダ";
inline constexpr const char* kMenuMimeBroken = "Escブロークン";
inline constexpr const char* kMenuMimeQuoted = "quoted-printable";
inline constexpr const char* kMenuConvert = "文字種変換(&C)";
inline constexpr const char* kMenuDuplicates = "重複行(&d)";
inline constexpr const char* kMenuDeleteDuplicates = "重複行削除";
inline constexpr const char* kMenuExtractDuplicates = "重複行抽出";
inline constexpr const char* kMenuCount = "文字カウント";
inline constexpr const char* kCountTip =
    "文字数はコードポイント単位、バイト数はShift_JISでの長さです（Shift_JISにない文字はUTF-8の長さで数えます）";

inline constexpr const char* kHomePage = "https://kakikae.example.jp/";  // the project's home page, the one place it is named
inline constexpr const char* kHelpFileName = "kakikae.html";

inline constexpr const char* kCheckCommand = "入力コマンドを確認してください";
inline constexpr const char* kEditDoneHold = "編集が終わったらOKを押して下さい";

inline constexpr const char* kOneShotTip =
    "危険！　クリップボードからの取り込み、置換、クリップボード出力を連続で行います";
inline constexpr const char* kMultilineTip =
    "複数行に渡るときやメタ文字を含む時、正規表現入力を補助するダイアログを開きます。";
inline constexpr const char* kEditListTip = "クリックで履歴編集";

}  // namespace kk::texts
