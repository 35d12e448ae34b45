// The guide's lines, exactly as the guide window shows them.
#include "dialogs/guide_text.h"

#include <array>

namespace kk::dialogs {

std::string guideText() {
    static constexpr std::array<const char*, 27> kLines = {
        "◆通常モード",
        "・\"s\"(置換)と\"tr\"(検索文字クラス置換)が利用できます。",
        "・複数行を処理するとき改行は「\\r\\n」で表現してください。",
        "　例：s/befor/after/gk",
        "      tr/[A-Z]/[a-z]/gk",
        "",
        "・行頭「^」、または、行末「$」表現を使うと行単位で処理します。",
        "",
        "・メタ文字を含む場合は、複数行補助を使うと便利です。",
        "",
        "・\"m\"でgrep（マッチ行抽出）が利用できます。",
        "　その際、-vチェックボックスをonにすれば反転もできます。",
        "　例：m/パターン/gk",
        "",
        "◆Filterモード",
        "・sed/awk/grep/perl/nkf/xtr/をはじめとするDosフィルタが実行できます。",
        "",
        "・標準出力に出力できるソフトならDosの内部コマンドでもO.K.です。",
        "　「sort」で昇順ソート、「sort -r」で降順ソートです。",
        "",
        "・パイプラインで連結もできます。　",
        "　例：dir c:\\ |sort",
        "",
        "・sed等では、複数のコマンドを横に連結して表現することもできます。",
        "　もちろんコマンドを記述したファイルを指定することもできます。",
        "",
        "★通常モードとFilterモードは冒頭の「s/、m/、tr/」で自動判断します。",
    };
    std::string out;
    for (std::size_t i = 0; i < kLines.size(); ++i) {
        if (i) out += "\r\n";
        out += kLines[i];
    }
    return out;
}

}  // namespace kk::dialogs
