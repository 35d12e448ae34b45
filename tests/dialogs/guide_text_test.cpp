// The guide's fixed text: 27 lines, blanks and escapes as written.
#include "dialogs/guide_text.h"
#include "dialogs/info_windows.h"

#include <gtest/gtest.h>

#include <vector>

namespace kk::dialogs {
namespace {

TEST(Guide, TwentySevenLines) {
    const std::string text = guideText();
    std::vector<std::string> lines;
    for (std::size_t pos = 0;;) {
        const std::size_t end = text.find("\r\n", pos);
        lines.push_back(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        if (end == std::string::npos) break;
        pos = end + 2;
    }
    ASSERT_EQ(lines.size(), 27u);
    EXPECT_EQ(lines[0], "◆通常モード");
    EXPECT_EQ(lines[1], "・\"s\"(置換)と\"tr\"(検索文字クラス置換)が利用できます。");
    EXPECT_EQ(lines[3], "　例：s/befor/after/gk");
    EXPECT_EQ(lines[4], "      tr/[A-Z]/[a-z]/gk");
    EXPECT_EQ(lines[5], "");
    EXPECT_EQ(lines[20], "・パイプラインで連結もできます。　");
    EXPECT_EQ(lines[21], "　例：dir c:\\ |sort");
    EXPECT_EQ(lines[26], "★通常モードとFilterモードは冒頭の「s/、m/、tr/」で自動判断します。");
    EXPECT_FALSE(text.ends_with("\r\n"));
}

TEST(About, VersionText) {
    EXPECT_EQ(versionText(1, 2, 30).toStdString(), "ﾊﾞｰｼﾞｮﾝ 1.2.30");
    EXPECT_EQ(versionText(0, 1, 0).toStdString(), "ﾊﾞｰｼﾞｮﾝ 0.1.0");
}

}  // namespace
}  // namespace kk::dialogs
