// The window over the model with fake ports: names, captions, tooltips, the
// command-line keys and the round trip of the working text through the widget.
#include "window/main_window.h"
#include "window/highlights.h"
#include "../model/fakes.h"
#include "convert/registry.h"
#include "dialogs/multiline_form.h"
#include "dialogs/recipe_editor.h"
#include "kakikae_version.h"
#include "texts/texts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QListWidget>
#include <QProgressBar>
#include <QSpinBox>
#include <QSettings>
#include <QTimer>
#include <QTableWidget>
#include <QKeySequenceEdit>
#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <functional>

namespace kk {
namespace {

struct WindowRig : testing::Rig {
    MainWindow window{state};
    explicit WindowRig(std::string helpers = "") : testing::Rig(std::move(helpers)) {
        window.Form_Load();
        window.show();
        QApplication::processEvents();
    }
    QPlainTextEdit* text() { return static_cast<QPlainTextEdit*>(window.control("myTextBox")); }
    QComboBox* command() { return static_cast<QComboBox*>(window.control("myRegstrBox")); }
    QString label(const char* name) { return static_cast<QLabel*>(window.control(name))->text(); }
};

TEST(Window, CaptionsAndTooltips) {
    WindowRig r;
    EXPECT_EQ(r.window.windowTitle(), "kakikae");
    struct {
        const char* name;
        const char* caption;
    } buttons[] = {
        {"runSed", "置換実行"},        {"clipKakunin", "現在のclip boad"}, {"ClipTenso", "clip boad 転送"},
        {"myIchigeki", "一撃&@"},      {"History0", "起動時のclip boad"},  {"History1", "履歴(置換前)"},
        {"HIstory2", "履歴(置換後)"},  {"okimarituika", "おきまりに追加"}, {"multilineCmd", "複数行補助"},
        {"m_rev", "-v (反転：mのみ)"},
    };
    for (const auto& b : buttons) {
        auto* w = qobject_cast<QAbstractButton*>(r.window.control(b.name));
        ASSERT_NE(w, nullptr) << b.name;
        EXPECT_EQ(w->text(), QString::fromUtf8(b.caption)) << b.name;
    }
    EXPECT_EQ(r.window.control("myIchigeki")->toolTip(), QString::fromUtf8(texts::text(texts::Msg::OneShotTip)));
    EXPECT_EQ(r.window.control("multilineCmd")->toolTip(), QString::fromUtf8(texts::text(texts::Msg::MultilineTip)));
    EXPECT_EQ(r.window.control("Label1")->toolTip(), QString::fromUtf8(texts::text(texts::Msg::EditListTip)));
    EXPECT_EQ(r.label("Label1"), QString::fromUtf8("正規表現/　Filterｺﾏﾝﾄﾞ"));
    EXPECT_EQ(r.command()->currentText(), "s///gk");
}

TEST(Window, TypingMarksChangedAndEnterRuns) {
    WindowRig r;
    r.clipboard.text = "abc";
    r.window.clipKakunin_Click();
    EXPECT_EQ(r.text()->toPlainText(), "abc");
    r.text()->setFocus();
    QTest::keyClick(r.text(), Qt::Key_X);
    EXPECT_EQ(r.label("manualHenko"), QString::fromUtf8("変更"));
    r.command()->setEditText("s/b/B/");
    QTest::keyClick(r.command(), Qt::Key_Return);  // where a real keyboard's keys arrive
    // The run goes to a worker; wait for it.
    for (int i = 0; i < 200 && r.state.status() != texts::text(texts::Msg::StatusDone); ++i) QTest::qWait(10);
    EXPECT_EQ(r.state.workingText().find('B') != std::string::npos, true);
    EXPECT_EQ(r.label("manualHenko"), "");
    EXPECT_EQ(r.command()->count(), 1);  // recorded once, no line break added
    EXPECT_EQ(r.command()->currentText(), "s/b/B/");
}

TEST(Window, CaretAfterTheOperator) {
    WindowRig r;
    r.command()->setEditText("tr/a/b/");
    r.window.myRegstrBox_GotFocus();
    EXPECT_EQ(r.command()->lineEdit()->cursorPosition(), 3);
    r.command()->setEditText("s///gk");
    r.window.myRegstrBox_GotFocus();
    EXPECT_EQ(r.command()->lineEdit()->cursorPosition(), 2);
}

TEST(Window, EditedTextReachesTheModel) {
    WindowRig r;
    r.text()->setPlainText("line1\nline2");
    r.window.ClipTenso_Click();
    EXPECT_EQ(r.clipboard.text, "line1\nline2");
    EXPECT_EQ(r.state.workingText(), "line1\nline2");
}

// What the user did not change comes back byte for byte after an edit: CR,
// CR LF, U+2028, U+2029, noncharacters, bytes that are no UTF-8.
TEST(Window, EditsKeepEveryUntouchedByte) {
    const std::string text = "a\rb\r\nc\u2028d\u2029e\uFDD0f\uFDD1g\xff\xfeh\x82\r\n日本\n🙂end";
    struct Case {
        const char* name;
        std::function<void(WindowRig&)> edit;
        std::string expected;
    } cases[] = {
        {"type and undo",
         [](WindowRig& r) {
             QTest::keyClicks(r.text(), "xyz");
             for (int i = 0; i < 3; ++i) QTest::keyClick(r.text(), Qt::Key_Z, Qt::ControlModifier);
         },
         text},
        {"one character at the start", [](WindowRig& r) { QTest::keyClick(r.text(), Qt::Key_Delete); }, text.substr(1)},
        {"one character after the invalid bytes",
         [](WindowRig& r) {
             // a CR b CRLF c LS d PS e FDD0 f FDD1 g ff fe h: the "h" is position 15
             QTextCursor c = r.text()->textCursor();
             c.setPosition(15);
             r.text()->setTextCursor(c);
             QTest::keyClick(r.text(), Qt::Key_Delete);
             QTest::keyClicks(r.text(), "H");
         },
         std::string(text).replace(text.find('h'), 1, "H")},
        {"cut and undo",
         [](WindowRig& r) {
             r.text()->selectAll();
             r.text()->cut();
             QTest::keyClick(r.text(), Qt::Key_Z, Qt::ControlModifier);
         },
         text},
        {"a line typed at the end takes the first line end's form",
         [](WindowRig& r) {
             QTest::keyClick(r.text(), Qt::Key_End, Qt::ControlModifier);
             QTest::keyClick(r.text(), Qt::Key_Return);
             QTest::keyClicks(r.text(), "z");
         },
         text + "\r\nz"},
    };
    for (const auto& c : cases) {
        WindowRig r;
        r.clipboard.text = text;
        r.window.clipKakunin_Click();
        r.text()->setFocus();
        QTextCursor start = r.text()->textCursor();
        start.setPosition(0);
        r.text()->setTextCursor(start);
        c.edit(r);
        r.window.ClipTenso_Click();
        EXPECT_TRUE(r.clipboard.text == c.expected)
            << c.name << ": " << ::testing::PrintToString(r.clipboard.text) << " vs "
            << ::testing::PrintToString(c.expected);
    }
}

// Long texts go into the widget as few paragraphs; what the user sees, edits
// and copies must still be plain lines.
TEST(Window, LongTextReadsBackLineForLine) {
    WindowRig r;
    std::string text;
    for (int i = 0; i < 300; ++i) text += "行" + std::to_string(i) + "\n";
    text += "last";
    r.clipboard.text = text;
    r.window.clipKakunin_Click();
    EXPECT_LT(r.text()->document()->blockCount(), 20);
    EXPECT_TRUE(r.text()->toPlainText().toStdString() == text);
    r.text()->selectAll();
    r.text()->copy();
    EXPECT_TRUE(QApplication::clipboard()->text().toStdString() == text);
    QTest::keyClick(r.text(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(r.text(), "!");  // an edit reaches the model with CR LF lines
    r.window.ClipTenso_Click();
    EXPECT_EQ(r.state.workingText().substr(0, 10), "行0\n行1\n");
    EXPECT_TRUE(r.clipboard.text == text + "!");
}

// A big text fills the box slice by slice; the box is read-only until it is
// whole, and then holds exactly the text, line for line.
TEST(Window, BigTextFillsInSlices) {
    WindowRig r;
    std::string text;
    for (int i = 0; text.size() < (5u << 20); ++i) text += "行" + std::to_string(i) + " テキスト\n";
    text += "終わり";
    r.clipboard.text = text;
    r.window.clipKakunin_Click();
    EXPECT_TRUE(r.window.fillingText());
    EXPECT_TRUE(r.text()->isReadOnly());
    EXPECT_LT(r.text()->document()->characterCount(), static_cast<int>(text.size()));
    for (int i = 0; i < 1000 && r.window.fillingText(); ++i) QApplication::processEvents();
    EXPECT_FALSE(r.window.fillingText());
    EXPECT_FALSE(r.text()->isReadOnly());
    std::string shown = r.text()->toPlainText().toStdString();
    std::string expected;  // CR LF → LF, in one pass (the text is 5 MB)
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) expected.push_back(text[i]);
    EXPECT_TRUE(shown == expected) << shown.size() << " vs " << expected.size();
    // A new text while filling starts over with it.
    r.clipboard.text = text;
    r.window.clipKakunin_Click();
    r.clipboard.text = "short";
    r.window.clipKakunin_Click();
    EXPECT_FALSE(r.window.fillingText());
    EXPECT_EQ(r.text()->toPlainText(), "short");
}

TEST(Window, EditsKeepNoBreakSpaces) {
    WindowRig r;
    r.clipboard.text = "a\u00a0b\u3000c";
    r.window.clipKakunin_Click();
    r.text()->setFocus();
    QTest::keyClick(r.text(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(r.text(), "d");
    r.window.ClipTenso_Click();
    EXPECT_EQ(r.clipboard.text, "a\u00a0b\u3000cd");
}

TEST(Window, MultiLineHelperFillsTheCommandBox) {
    WindowRig r;
    r.window.multilineCmd_Click();
    auto* form = qobject_cast<dialogs::MultiLineForm*>(QApplication::activeWindow());
    if (!form) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<dialogs::MultiLineForm*>(w); f && f->isVisible()) form = f;
    }
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("複数行置換補助画面"));
    r.window.multilineCmd_Click();  // a second click brings the same window
    int open = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<dialogs::MultiLineForm*>(w) && w->isVisible()) ++open;
    EXPECT_EQ(open, 1);
    form->KensakuBox->setPlainText("a.b\nc");
    form->ChikanBox->setPlainText("x");
    form->okCmd_Click();
    EXPECT_EQ(r.command()->currentText(), "s/a\\.b\\nc/x/gk");
    EXPECT_EQ(r.state.commandLine(), "s/a\\.b\\nc/x/gk");
}

TEST(Window, HelpMenuWindowsAndDesktop) {
    WindowRig r;
    const struct {
        const char* action;
        const char* caption;
    } items[] = {
        {"MenuGuide", "簡単ガイド"},
        {"MenuHelpindex", "kakikae ヘルプ"},
        {"gotokakikaeHP", "Kakikaeのホームページへ"},
        {"MenuAbout", "Kakikaeについて"},
        {"menu_explorer", "explorer起動"},
    };
    for (const auto& i : items) {
        ASSERT_NE(r.window.menuAction(i.action), nullptr) << i.action;
        EXPECT_EQ(r.window.menuAction(i.action)->text(), QString::fromUtf8(i.caption));
    }
    auto count = [](const char* name) {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == name && w->isVisible()) ++n;
        return n;
    };
    r.window.menuAction("MenuGuide")->trigger();
    r.window.menuAction("MenuGuide")->trigger();  // the same window again
    EXPECT_EQ(count("Dialog1"), 1);
    r.window.menuAction("MenuAbout")->trigger();
    r.window.menuAction("MenuAbout")->trigger();
    EXPECT_EQ(count("frmAbout"), 1);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() != "frmAbout" || !w->isVisible()) continue;
        EXPECT_EQ(w->windowTitle(), QString::fromUtf8("kakikaeのﾊﾞｰｼﾞｮﾝ情報"));
        auto* version = w->findChild<QLabel*>("lblVersion");
        ASSERT_NE(version, nullptr);
        EXPECT_EQ(version->text(), QString::fromUtf8("ﾊﾞｰｼﾞｮﾝ ") + KAKIKAE_VERSION);
        w->close();
    }
    r.window.menuAction("gotokakikaeHP")->trigger();
    r.window.menuAction("menu_explorer")->trigger();
    EXPECT_EQ(r.desktop.opened, (std::vector<std::string>{"/" + std::string(names::kHelpFileName), "/data"}));
}

// The whole menu bar from its map: menu, item, caption; every item exists,
// sits in its menu, is enabled, and does something when chosen.
// Option → ショートカット: the list is kept in the settings, and where the
// session takes no keys from us (no X11, no portal: offscreen here) the
// dialog gives the exact command to bind in the desktop's own settings.
TEST(Window, ShortcutsDialogKeepsKeysAndSaysHow) {
    QSettings().remove("shortcuts");
    WindowRig r;
    r.files.files["/data/kakikae-recipes.txt"] = "[引用]\n- s/^/> /g\n";
    r.state.loadRecipes();
    QString how;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* table = dialog->findChild<QTableWidget*>("shortcutTable");
        dialog->findChildren<QPushButton*>()[0]->click();  // 追加
        static_cast<QKeySequenceEdit*>(table->cellWidget(0, 0))->setKeySequence(QKeySequence("Ctrl+Alt+K"));
        static_cast<QComboBox*>(table->cellWidget(0, 1))->setCurrentText("引用");
        static_cast<QCheckBox*>(table->cellWidget(0, 2))->setChecked(true);
        dialog->accept();
    });
    r.window.MenuShortcuts_Click();
    QSettings settings;
    ASSERT_EQ(settings.beginReadArray("shortcuts"), 1);
    settings.setArrayIndex(0);
    EXPECT_EQ(settings.value("key").toString(), "Ctrl+Alt+K");
    EXPECT_EQ(settings.value("target").toString(), "引用");
    EXPECT_TRUE(settings.value("primary").toBool());
    settings.endArray();
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        how = dialog->findChild<QLabel*>("shortcutHow")->text();
        dialog->reject();
    });
    r.window.MenuShortcuts_Click();
    EXPECT_TRUE(how.contains("kakikae --run '引用' --primary")) << how.toStdString();
    EXPECT_TRUE(how.contains(QString::fromUtf8("この環境では"))) << how.toStdString();
    QSettings().remove("shortcuts");
}

TEST(Window, MenuMap) {
    WindowRig r;
    const struct {
        const char* menu;
        const char* item;
        const char* caption;
    } map[] = {
        {"文字種変換(&C)", "MenuHK2ZK", "ｶﾀｶﾅをカタカナに"},
        {"文字種変換(&C)", "MenuZK2HK", "カタカナをｶﾀｶﾅに"},
        {"文字種変換(&C)", "MenuZ2H", "全角を半角に"},
        {"文字種変換(&C)", "MenuH2Z", "半角を全角に"},
        {"文字種変換(&C)", "MenuACap", "単語先頭を大文字に"},
        {"文字種変換(&C)", "MenuOmoji", "大文字に変換"},
        {"文字種変換(&C)", "MenuKomoji", "小文字に変換"},
        {"文字種変換(&C)", "MenuHira2Kana", "ひらがなをカタカナに"},
        {"文字種変換(&C)", "MenuKana2Hira", "カタカナをひらがなに"},
        {"文字種変換(&C)", "MenuXrev", "文字反転"},
        {"正規化(&K)", "MenuNormAlnum", "全角英数字を半角に（Ａ１→A1、ほかはそのまま）"},
        {"正規化(&K)", "MenuNormDash", "ダッシュと長音を前後で整える（ア‐イ→アーイ、A—1→A-1）"},
        {"正規化(&K)", "MenuNormEnclosed", "囲み文字・組文字を展開（①→1、㈱→(株)、㍻→平成）"},
        {"数字・日付(&N)", "MenuKan2Num", "漢数字を算用数字に（二千二十六→2026）"},
        {"数字・日付(&N)", "MenuKan2NumComma", "漢数字を算用数字に（3桁区切り: 1,000,000）"},
        {"数字・日付(&N)", "MenuNum2Kan", "算用数字を漢数字に（2026→二千二十六）"},
        {"数字・日付(&N)", "MenuNum2KanDigit", "算用数字を漢数字に（2026→二〇二六）"},
        {"数字・日付(&N)", "MenuNum2Daiji", "算用数字を大字に（12345→壱萬弐千参百四拾伍）"},
        {"数字・日付(&N)", "MenuSeireki2Wareki", "西暦を和暦に（2026年12月8日→令和8年12月8日）"},
        {"数字・日付(&N)", "MenuWareki2Seireki", "和暦を西暦に（令和8年12月8日→2026年12月8日）"},
        {"&mimeデコード", "mojiCvt", "ISO-2022-JPヘッダ"},
        {"&mimeデコード", "mojiCvtB", "Escブロークン"},
        {"&mimeデコード", "mojiCvtQ", "quoted-printable"},
        {"&sort", "menu_sort_a", "昇順(sortコマンド使用）"},
        {"&sort", "menu_sort_d", "降順(sort /rコマンド使用)"},
        {"&sort", "menu_sortf_a", "数字昇順(sortf -n -sコマンド使用)"},
        {"&sort", "menu_sortf_d", "数字降順(sortf -n -r -s)コマンド使用"},
        {"&sort", "menu_sortf_J_a", "日本語環境辞書順ソート昇順(sortf -J -b -s)"},
        {"&sort", "menu_sortf_J_d", "日本語環境辞書順ソート降順(sortf -J -b -s -r)"},
        {"", "MenuStrcount", "文字カウント"},
        {"重複行(&d)", "Menumultidel", "重複行削除"},
        {"重複行(&d)", "Menumultiview", "重複行抽出"},
        {"重複行(&d)", "menu_fil_uniq_n", "重複行削除(uniq使用)"},
        {"重複行(&d)", "menu_fil_uniq_d", "重複行抽出(uniq -d使用)"},
        {"重複行(&d)", "menu_fil_uniq_dc", "重複行抽出(uniq -dc使用)"},
        {"レシピ(&R)", "MenuRecipeEdit", "レシピの編集(&E)..."},
        {"&Option", "MenuEditOkimari", "おきまり編集"},
        {"&Option", "MenuEditHistory", "履歴編集"},
        {"&Option", "menu_reload", "おきまり＆履歴　再読込"},
        {"&Option", "menu_explorer", "explorer起動"},
        {"&Help", "MenuGuide", "簡単ガイド"},
        {"&Help", "MenuHelpindex", "kakikae ヘルプ"},
        {"&Help", "gotokakikaeHP", "Kakikaeのホームページへ"},
        {"&Help", "MenuAbout", "Kakikaeについて"},
        {"", "MenuQuit", "終了"},
    };
    // The bar's own order: seven menus, with the two direct items in their places.
    QStringList bar;
    for (QAction* a : r.window.menuBar()->actions()) bar << a->text();
    EXPECT_EQ(bar, (QStringList{QString::fromUtf8("文字種変換(&C)"), QString::fromUtf8("正規化(&K)"),
                                QString::fromUtf8("数字・日付(&N)"),
                                QString::fromUtf8("&mimeデコード"), "&sort",
                                QString::fromUtf8("文字カウント"), QString::fromUtf8("重複行(&d)"),
                                QString::fromUtf8("レシピ(&R)"), "&Option", "&Help",
                                QString::fromUtf8("終了")}));
    for (const auto& m : map) {
        QAction* a = r.window.menuAction(m.item);
        ASSERT_NE(a, nullptr) << m.item;
        EXPECT_EQ(a->text(), QString::fromUtf8(m.caption)) << m.item;
        EXPECT_TRUE(a->isEnabled()) << m.item;
        const auto* menu = qobject_cast<QMenu*>(a->parent());
        EXPECT_EQ(menu ? menu->title() : QString(), QString::fromUtf8(m.menu)) << m.item;
        if (std::string_view(m.item) == "MenuQuit") continue;
        // Chosen on a small text, each item does something: the status, the
        // text, the command box, a window or the desktop changes.
        r.text()->setPlainText(QString::fromUtf8("abc\nabc\n二千二十六、1,234、2026年12月8日、令和8年12月8日"));
        r.command()->setEditText("s/b/B/");
        const QString before = r.label("jotai") + r.text()->toPlainText() + r.command()->currentText();
        const std::size_t opened = r.desktop.opened.size(), prompts = r.prompt.shown.size();
        const int windows = static_cast<int>(QApplication::topLevelWidgets().size());
        a->trigger();
        QEventLoop loop;
        while (r.state.busy()) loop.processEvents(QEventLoop::WaitForMoreEvents, 100);
        const QString after = r.label("jotai") + r.text()->toPlainText() + r.command()->currentText();
        const bool acted = after != before || r.desktop.opened.size() != opened || r.prompt.shown.size() != prompts ||
                           static_cast<int>(QApplication::topLevelWidgets().size()) != windows;
        EXPECT_TRUE(acted) << m.item;
        r.state.setWorkingTextFromView("");
        r.window.clipKakunin_Click();
    }
    // While a run is going on, the conversion menus and the count are disabled.
    r.command()->setEditText("sleep 5");
    r.window.runSed_Click();
    for (QAction* top : r.window.menuBar()->actions())
        if (top->text() == QString::fromUtf8("文字種変換(&C)")) { EXPECT_FALSE(top->isEnabled()); }
    EXPECT_FALSE(r.window.menuAction("MenuStrcount")->isEnabled());
    const char* waiting[] = {"runSed", "myIchigeki", "clipKakunin", "ClipTenso"};
    for (const char* name : waiting) {
        EXPECT_FALSE(r.window.control(name)->isEnabled()) << name;
        EXPECT_FALSE(r.window.menuAction(name)->isEnabled()) << name;  // the button's action with it
    }
    EXPECT_TRUE(r.window.menuAction("cancel")->isEnabled());
    r.window.cancel_Click();
    QEventLoop loop;
    while (r.state.busy()) loop.processEvents(QEventLoop::WaitForMoreEvents, 100);
    EXPECT_TRUE(r.window.menuAction("MenuStrcount")->isEnabled());
    for (const char* name : waiting) EXPECT_TRUE(r.window.control(name)->isEnabled()) << name;
}

// The keys live on the actions, so the menus show them beside the items.
TEST(Window, MenusShowTheirKeys) {
    WindowRig r;
    const std::pair<const char*, QKeySequence> keys[] = {
        {"MenuHelpindex", QKeySequence(Qt::Key_F1)},
        {"MenuQuit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"MenuPreview", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"MenuUndoRun", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Z)},
        {"focusCommandLine", QKeySequence(Qt::CTRL | Qt::Key_L)},
        {"escape", QKeySequence(Qt::Key_Escape)},
    };
    for (const auto& [name, key] : keys) {
        ASSERT_NE(r.window.menuAction(name), nullptr) << name;
        EXPECT_EQ(r.window.menuAction(name)->shortcut(), key) << name;
    }
    // A button presses its action: the one path for button, key and menu.
    r.command()->setEditText("s/a/b/");
    r.state.setWorkingTextFromView("aaa");
    r.window.menuAction("runSed")->trigger();
    QEventLoop loop;
    while (r.state.busy()) loop.processEvents(QEventLoop::WaitForMoreEvents, 100);
    EXPECT_EQ(r.state.workingText(), "baa");
}

TEST(Window, ListsFillTheBoxes) {
    WindowRig r;
    r.files.files["/data/kakikae1.ini"] = "a\r\nb\r\n";
    r.files.files["/data/kakikae0.ini"] = "f1\r\nf2\r\n";
    r.window.menu_reload_Click();
    ASSERT_EQ(r.command()->count(), 2);
    EXPECT_EQ(r.command()->itemText(0), "b");
    EXPECT_EQ(r.command()->currentText(), "s///gk");
    auto* fav = static_cast<QComboBox*>(r.window.control("okimariBox"));
    ASSERT_EQ(fav->count(), 2);
    EXPECT_EQ(fav->itemText(0), "f2");

    // Choosing a favourite fills the command box without its comments and runs nothing.
    r.files.files["/data/kakikae0.ini"] = "【削除】 s/x//g\r\n";
    r.window.menu_reload_Click();
    r.clipboard.text = "text";
    r.window.clipKakunin_Click();
    const QString status = r.label("jotai");
    fav->setCurrentIndex(0);
    emit fav->activated(0);
    EXPECT_EQ(r.command()->currentText(), "s/x//g");
    EXPECT_EQ(r.text()->toPlainText(), "text");
    EXPECT_EQ(r.label("jotai"), status);
}

TEST(Window, ConversionMenusActOnTheEditedText) {
    WindowRig r;
    struct {
        const char* action;
        const char* caption;
        const char* in;
        const char* out;
    } items[] = {
        {"MenuXrev", "文字反転", "abc\n𠮷野家", "cba\n家野𠮷"},
        {"MenuHK2ZK", "ｶﾀｶﾅをカタカナに", "ｶﾞ", "ガ"},
        {"MenuZK2HK", "カタカナをｶﾀｶﾅに", "ガ", "ｶﾞ"},
        {"Menumultidel", "重複行削除", "a\na\nb", "a\nb"},
        {"Menumultiview", "重複行抽出", "a\na\nb", "a\n"},
        {"mojiCvt", "ISO-2022-JPヘッダ", "=?utf-8?q?=E6=97=A5?=", "日"},
        {"mojiCvtB", "Escブロークン", "$B%F(B", "テ"},
        {"mojiCvtQ", "quoted-printable", "=1B$B%F=1B(B", "テ"},
        {"MenuOmoji", "大文字に変換", "ab", "AB"},
        {"MenuStrcount", "文字カウント", "abc\n", "abc\n"},
    };
    for (const auto& i : items) {
        QAction* a = r.window.menuAction(i.action);
        ASSERT_NE(a, nullptr) << i.action;
        EXPECT_EQ(a->text(), QString::fromUtf8(i.caption));
        r.text()->setPlainText(QString::fromUtf8(i.in));  // typed, not yet read by the model
        a->trigger();
        EXPECT_EQ(r.text()->toPlainText(), QString::fromUtf8(i.out)) << i.action;
    }
    EXPECT_EQ(r.label("jotai"), QString::fromUtf8("3文字，2行，5バイト"));
}

}  // namespace
}  // namespace kk

namespace kk {
namespace {

// Text typed while a filter runs would be overwritten by its result: the box
// takes no typing until the run has ended.
TEST(Window, TextBoxIsReadOnlyWhileBusy) {
    WindowRig r;
    r.text()->setPlainText("keep");
    r.command()->setEditText("sleep 0.4; cat");
    r.window.runSed_Click();
    ASSERT_TRUE(r.state.busy());
    EXPECT_TRUE(r.text()->isReadOnly());
    for (int i = 0; i < 500 && r.state.busy(); ++i) QTest::qWait(10);
    EXPECT_FALSE(r.text()->isReadOnly());
    EXPECT_EQ(r.text()->toPlainText(), "keep\n");
}

// The same input and command give the same text in the window and in
// kakikae-cli: both go through the one model path.
TEST(Window, SameResultAsTheCommandLine) {
    struct Case {
        const char* input;
        const char* command;
        const char* conversion;
    } cases[] = {
        {"foo bar foo\n", "s/foo/baz/g", nullptr}, {"a\nb\n", "s/^/> /", nullptr},
        {"b\na\nb\n", "sort | uniq -c", nullptr},  {"ひらがな\nカタカナ\n", "tr/ぁ-ん/ァ-ン/", nullptr},
        {"x1\ny\nx2\n", "m/x/", nullptr},          {"ab\r\ncd\n", "s/\\n/|/g", nullptr},
        {"a\na\nb\n", nullptr, "dedupe"},          {"ｶﾞｷﾞ abc\n", nullptr, "hankaku-to-zenkaku"},
        {"10\n9\n100\n", nullptr, "sort-numeric"},
    };
    for (const auto& c : cases) {
        QProcess cli;
        QStringList args{"-q"};
        args << (c.command ? QString::fromUtf8(c.command) : "--convert=" + QString::fromUtf8(c.conversion));
        cli.start(QString(KK_BIN_DIR) + "/kakikae-cli", args);
        cli.write(c.input);
        cli.closeWriteChannel();
        ASSERT_TRUE(cli.waitForFinished(20000));
        const std::string fromCli = cli.readAllStandardOutput().toStdString();

        WindowRig r("" KK_BIN_DIR);
        r.clipboard.text = c.input;
        r.window.clipKakunin_Click();
        if (c.command) {
            r.command()->setEditText(QString::fromUtf8(c.command));
            r.window.runSed_Click();
        } else {
            const convert::Conversion* conv = convert::findConversion(c.conversion);
            ASSERT_NE(conv, nullptr);
            QAction* item = r.window.menuAction(QString::fromUtf8(std::string(conv->menuItem).c_str()));
            ASSERT_NE(item, nullptr) << c.conversion;
            item->trigger();
        }
        for (int i = 0; i < 2000 && r.state.busy(); ++i) QTest::qWait(10);
        EXPECT_EQ(r.state.workingText(), fromCli) << (c.command ? c.command : c.conversion);
    }
}

// A recipe from its menu item gives the bytes kakikae-cli --recipe gives.
TEST(Window, RecipeSameAsTheCommandLine) {
    const std::string recipes = "[r]\n- s/^ +//g\n- --convert to-half-width\n- sort\n- --convert dedupe\n- -v m/^#/\n";
    const char* inputs[] = {"  ｂ\nａ\n  ｂ\n#c\n", "  ｂ\r\nａ\r\n#c\r\n", "x\n  y"};
    QTemporaryDir dir;
    const QString file = dir.filePath("recipes.txt");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(recipes.data(), static_cast<qint64>(recipes.size()));
    }
    for (const char* input : inputs) {
        QProcess cli;
        cli.start(QString(KK_BIN_DIR) + "/kakikae-cli", {"--recipe-file", file, "--recipe", "r"});
        cli.write(input);
        cli.closeWriteChannel();
        ASSERT_TRUE(cli.waitForFinished(20000));
        const std::string fromCli = cli.readAllStandardOutput().toStdString();
        ASSERT_FALSE(fromCli.empty()) << input;

        WindowRig r("" KK_BIN_DIR);
        r.files.files["/data/kakikae-recipes.txt"] = recipes;
        r.window.menu_reload_Click();
        r.clipboard.text = input;
        r.window.clipKakunin_Click();
        QAction* item = r.window.menuAction("MenuRecipe_0");
        ASSERT_NE(item, nullptr);
        item->trigger();
        for (int i = 0; i < 2000 && r.state.busy(); ++i) QTest::qWait(10);
        EXPECT_EQ(r.state.workingText(), fromCli) << input;
    }
}

}  // namespace
}  // namespace kk

namespace kk {
namespace {

// A refused command puts the caret where it is wrong, 𠮷 counting as one.
TEST(Window, CaretGoesToTheErrorColumn) {
    WindowRig r;
    r.command()->setEditText(QString::fromUtf8("s/𠮷ab(/x/"));
    r.window.runSed_Click();
    QTest::qWait(50);
    ASSERT_EQ(r.prompt.shown.size(), 1u);
    EXPECT_EQ(r.command()->lineEdit()->cursorPosition(), 7);  // after "s/𠮷ab(": 𠮷 is two UTF-16 units
}

}  // namespace
}  // namespace kk

#include <QAccessible>
#include <QInputMethodEvent>

namespace kk {
namespace {

// The caret goes right after the operator, nothing selected, whichever way
// the command line gets the focus.
TEST(Window, CaretRuleOnEveryWayIn) {
    WindowRig r;
    r.window.activateWindow();
    QLineEdit* edit = r.command()->lineEdit();
    auto settle = [] { QTest::qWait(20); };
    auto expectCaret = [&](int at, const char* how) {
        settle();
        // Under load the queued placing may come a little later.
        for (int k = 0; k < 100 && edit->cursorPosition() != at; ++k) QTest::qWait(10);
        EXPECT_EQ(edit->cursorPosition(), at) << how;
        EXPECT_FALSE(edit->hasSelectedText()) << how;
    };
    r.window.control("myRegstrBox")->setFocus();
    expectCaret(2, "start-up");  // "s///gk"
    r.window.control("okimariBox")->setFocus(Qt::TabFocusReason);
    settle();
    r.command()->setFocus(Qt::BacktabFocusReason);
    expectCaret(2, "Shift+Tab back");
    r.text()->setFocus();
    r.command()->setFocus(Qt::TabFocusReason);
    expectCaret(2, "Tab in");
    r.text()->setFocus();
    QTest::keyClick(&r.window, Qt::Key_L, Qt::ControlModifier);
    expectCaret(2, "Ctrl+L");
    r.command()->addItem("m/history/");
    r.command()->setCurrentIndex(r.command()->count() - 1);
    emit r.command()->activated(r.command()->count() - 1);
    expectCaret(2, "a history entry chosen");
    r.state.chooseFavourite("【置換】 tr/a-z/A-Z/");
    expectCaret(3, "a favourite chosen");
    QTest::keyClicks(edit, "x");
    EXPECT_EQ(edit->text(), "tr/xa-z/A-Z/");
}

TEST(Window, HelperByKeyboard) {
    WindowRig r;
    r.window.multilineCmd_Click();
    // The helper deletes itself when it closes.
    QPointer<dialogs::MultiLineForm> form;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<dialogs::MultiLineForm*>(w); f && f->isVisible()) form = f;
    ASSERT_NE(form, nullptr);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    form->KensakuBox->setFocus();
    QTest::keyClicks(form->KensakuBox, "a.b");
    QTest::keyClick(form->KensakuBox, Qt::Key_Return);  // a line break, not OK
    QTest::keyClicks(form->KensakuBox, "c");
    QTest::keyClick(form->KensakuBox, Qt::Key_Tab);  // to the next field, no tab typed
    EXPECT_EQ(form->KensakuBox->toPlainText(), "a.b\nc");
    EXPECT_EQ(form->focusWidget(), form->ChikanBox);
    QTest::keyClicks(form->ChikanBox, "x");
    QTest::keyClick(form->ChikanBox, Qt::Key_Return, Qt::ControlModifier);
    QTest::qWait(20);
    EXPECT_EQ(r.command()->currentText(), "s/a\\.b\\nc/x/gk");
    EXPECT_TRUE(!form || !form->isVisible());

    r.window.multilineCmd_Click();  // Esc leaves without a command
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<dialogs::MultiLineForm*>(w); f && f->isVisible()) form = f;
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    form->KensakuBox->setFocus();
    QTest::keyClicks(form->KensakuBox, "zzz");
    QTest::keyClick(form->KensakuBox, Qt::Key_Escape);
    QTest::qWait(20);
    EXPECT_TRUE(!form || !form->isVisible());
    EXPECT_EQ(r.command()->currentText(), "s/a\\.b\\nc/x/gk");
}

// Made, run, undone and made again from the last runs with the keyboard only.
TEST(Window, RecipeByKeyboard) {
    WindowRig r(KK_BIN_DIR);
    r.clipboard.text = "b\na\n";
    r.window.clipKakunin_Click();
    auto waitIdle = [&] {
        for (int i = 0; i < 500 && (r.state.busy() || r.state.status() == texts::text(texts::Msg::StatusRunning)); ++i)
            QTest::qWait(10);
    };
    auto focusWindow = [](QWidget* w) {
        w->activateWindow();
        return QTest::qWaitForWindowActive(w);
    };
    // Two runs of the command line, to be saved as a recipe at the end.
    ASSERT_TRUE(focusWindow(&r.window));
    for (const char* command : {"s/a/x/", "s/b/y/"}) {
        r.command()->setFocus();
        r.command()->lineEdit()->selectAll();
        QTest::keyClicks(r.command(), command);
        QTest::keyClick(r.command(), Qt::Key_Return);
        waitIdle();
    }
    ASSERT_EQ(r.state.workingText(), "y\nx\n");

    // The editor from the menu bar: Alt+R, then E.
    QTest::keyClick(&r.window, Qt::Key_R, Qt::AltModifier);
    QTest::qWait(50);
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    QTest::keyClick(popup, Qt::Key_E);
    QTest::qWait(50);
    QPointer<dialogs::RecipeEditor> editor;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* e = qobject_cast<dialogs::RecipeEditor*>(w); e && e->isVisible()) editor = e;
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(focusWindow(editor));
    auto keys = [&](Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, mods);
        if (mods & Qt::AltModifier) QTest::qWait(150);  // a button's access key clicks it a moment later
    };
    auto type = [&](const char* text) { QTest::keyClicks(QApplication::focusWidget(), QString::fromUtf8(text)); };

    keys(Qt::Key_N, Qt::AltModifier);  // 新規: the name field
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(editor->recipeName));
    type("tidy");
    keys(Qt::Key_A, Qt::AltModifier);  // 手順を追加
    for (const char* step : {"s/^/> /g", "--convert upper", "sort", "s/oops//"}) {
        type(step);
        keys(Qt::Key_Return);
    }
    keys(Qt::Key_P, Qt::AltModifier);  // the steps: the last one goes, "sort" moves up
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(editor->recipeSteps));
    keys(Qt::Key_End);
    keys(Qt::Key_Delete);
    keys(Qt::Key_Up, Qt::ControlModifier);
    const lists::Recipe want{"tidy", "", {{lists::RecipeStep::Kind::Command, "s/^/> /g", false},
                                          {lists::RecipeStep::Kind::Command, "sort", false},
                                          {lists::RecipeStep::Kind::Conversion, "upper", false}}};
    EXPECT_EQ(editor->current(), want);
    keys(Qt::Key_S, Qt::AltModifier);  // 保存
    EXPECT_EQ(r.files.files["/data/kakikae-recipes.txt"], "[tidy]\n- s/^/> /g\n- sort\n- --convert upper\n");
    EXPECT_EQ(r.window.menuAction("MenuRecipe_0")->text(), QString::fromUtf8("&1 tidy"));

    keys(Qt::Key_X, Qt::AltModifier);  // 実行
    waitIdle();
    EXPECT_EQ(r.state.workingText(), "> X\n> Y\n");
    EXPECT_EQ(r.text()->toPlainText(), "> X\n> Y\n");
    EXPECT_EQ(r.state.status(), texts::message(texts::Msg::RecipeDone, "tidy", "3"));

    ASSERT_TRUE(focusWindow(&r.window));
    QTest::keyClick(&r.window, Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);  // one undo for the recipe
    EXPECT_EQ(r.state.workingText(), "y\nx\n");

    ASSERT_TRUE(focusWindow(editor));
    keys(Qt::Key_U, Qt::AltModifier);  // how many of the last runs
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(editor->recentCount));
    keys(Qt::Key_A, Qt::ControlModifier);
    type("2");
    keys(Qt::Key_R, Qt::AltModifier);  // made from them
    EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget*>(editor->recipeName));
    type("last two");
    keys(Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(r.files.files["/data/kakikae-recipes.txt"],
              "[tidy]\n- s/^/> /g\n- sort\n- --convert upper\n\n[last two]\n- s/a/x/\n- s/b/y/\n");
    EXPECT_EQ(r.state.recipeBook().recipes().size(), 2u);
    editor->close();
}

TEST(Window, QuitClosesEveryWindow) {
    auto r = std::make_unique<WindowRig>();
    r->window.MenuGuide_Click();
    r->window.MenuAbout_Click();
    r->window.multilineCmd_Click();
    auto visible = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->isWindow() && !qobject_cast<QMenu*>(w)) ++n;
        return n;
    };
    EXPECT_EQ(visible(), 4);
    QTest::keyClick(&r->window, Qt::Key_Q, Qt::ControlModifier);
    QTest::qWait(20);
    EXPECT_EQ(visible(), 0);
}

// Every control says what it is to a screen reader, and the labels lead to
// their boxes.
TEST(Window, AccessibleNamesOnEveryControl) {
    WindowRig r;
    for (const char* name : {"myRegstrBox", "okimariBox", "myTextBox", "runSed", "clipKakunin", "ClipTenso",
                             "myIchigeki", "History0", "History1", "HIstory2", "okimarituika", "multilineCmd", "m_rev",
                             "jotai", "manualHenko", "Label1", "okimariLabel", "cancel"}) {
        QWidget* w = r.window.control(name);
        ASSERT_NE(w, nullptr) << name;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr) << name;
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << name;
    }
    EXPECT_EQ(static_cast<QLabel*>(r.window.control("Label1"))->buddy(), r.window.control("myRegstrBox"));
    EXPECT_EQ(static_cast<QLabel*>(r.window.control("okimariLabel"))->buddy(), r.window.control("okimariBox"));
    // Tab reaches every control that takes the focus.
    QWidget* start = r.window.control("myRegstrBox");
    QSet<QWidget*> reached;
    QWidget* w = start;
    for (int k = 0; k < 40; ++k) {
        reached.insert(w->focusProxy() ? w->focusProxy() : w);
        w = w->nextInFocusChain();
    }
    for (const char* name : {"okimariBox", "runSed", "ClipTenso", "History1", "HIstory2", "History0", "clipKakunin",
                             "myTextBox", "okimarituika", "multilineCmd", "m_rev", "myIchigeki"})
        EXPECT_TRUE(reached.contains(r.window.control(name))) << name;
}

TEST(Window, InputMethodTextMarksChanged) {
    WindowRig r;
    r.text()->setFocus();
    EXPECT_EQ(r.label("manualHenko"), "");
    QInputMethodEvent preedit(QString::fromUtf8("にほん"), {});
    QApplication::sendEvent(r.text(), &preedit);
    EXPECT_EQ(r.label("manualHenko"), "");  // still being composed
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8("日本"));
    QApplication::sendEvent(r.text(), &commit);
    EXPECT_EQ(r.label("manualHenko"), QString::fromUtf8("変更"));
    EXPECT_TRUE(r.text()->toPlainText().contains(QString::fromUtf8("日本")));
}

// A long message is cut on the line but whole on hover, and its details
// (the filter's error output) are there to read.
TEST(Window, StatusLineKeepsTheWholeMessage) {
    WindowRig r;
    r.text()->setPlainText("x");
    r.command()->setEditText(
        "for i in 1 2 3; do echo \"error line $i, long enough to be cut on the status line\" >&2; done; exit 2");
    r.window.runSed_Click();
    for (int i = 0; i < 500 && r.state.busy(); ++i) QTest::qWait(10);
    const QString full = QString::fromStdString(r.state.status());
    EXPECT_TRUE(full.contains("error line 1"));
    EXPECT_TRUE(r.window.control("jotai")->toolTip().startsWith(full));
    EXPECT_NE(r.label("jotai"), full);  // elided to fit
    EXPECT_NE(r.state.lastOutcome().details.find("error line 3"), std::string::npos);
}

TEST(Window, OpeningSomethingOutsideSaysWhenItFails) {
    WindowRig r;
    r.desktop.succeed = false;
    r.window.gotokakikaeHP_Click();
    r.window.menu_explorer_Click();
    r.window.MenuHelpindex_Click();
    ASSERT_EQ(r.prompt.shown.size(), 3u);
    EXPECT_NE(r.prompt.shown[0].text.find(names::kHelpFileName), std::string::npos);
    EXPECT_NE(r.prompt.shown[1].text.find("/data"), std::string::npos);
    EXPECT_NE(r.prompt.shown[2].text.find(names::kHelpFileName), std::string::npos);
}

}  // namespace
}  // namespace kk

#include <QToolButton>

namespace kk {
namespace {

// A narrow window keeps every menu in reach: what does not fit goes behind
// the menu bar's "»".
TEST(Window, NarrowWindowKeepsMenusReachable) {
    WindowRig r;
    r.window.resize(300, 400);
    QApplication::processEvents();
    QMenuBar* bar = r.window.menuBar();
    bool hidden = false;
    for (QAction* a : bar->actions())
        if (!bar->actionGeometry(a).isValid() || bar->actionGeometry(a).right() > bar->width()) hidden = true;
    auto* more = bar->findChild<QToolButton*>("qt_menubar_ext_button");
    ASSERT_NE(more, nullptr);
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(more->isVisible());
    // Every button and box stands inside the window, none over another.
    const QRect room = r.window.centralWidget()->rect();
    std::vector<std::pair<QString, QRect>> placed;
    for (const char* name : {"History1", "HIstory2", "History0", "clipKakunin", "m_rev", "myIchigeki", "runSed",
                             "ClipTenso", "okimarituika", "multilineCmd", "myRegstrBox", "okimariBox"}) {
        QWidget* w = r.window.control(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_TRUE(w->isVisible()) << name;
        EXPECT_TRUE(room.contains(w->geometry())) << name;
        EXPECT_GT(w->width(), 10) << name;
        for (const auto& [other, rect] : placed)
            EXPECT_LE(rect.intersected(w->geometry()).width(), 1) << name << " / " << other.toStdString();
        placed.emplace_back(name, w->geometry());
    }
}

}  // namespace
}  // namespace kk

namespace kk {
namespace {

// With the preview on, typing shows the result, highlighted and tinted, while
// the working text stays; Esc goes back; a run takes it.
TEST(Window, LivePreviewWhileTyping) {
    WindowRig r;
    r.clipboard.text = "東京 12 と 大阪 345\n";
    r.window.clipKakunin_Click();
    QAction* preview = r.window.menuAction("MenuPreview");
    ASSERT_NE(preview, nullptr);
    preview->setChecked(true);
    r.command()->setFocus();
    auto typeCommand = [&](const char* command) {
        r.command()->lineEdit()->selectAll();
        QTest::keyClicks(r.command()->lineEdit(), QString::fromUtf8(command));
    };
    typeCommand("s/(\\d+)/<$1>/g");
    QTest::qWait(400);
    EXPECT_EQ(r.text()->toPlainText(), QString::fromUtf8("東京 <12> と 大阪 <345>\n"));
    EXPECT_TRUE(r.text()->isReadOnly());
    EXPECT_EQ(r.text()->extraSelections().size(), 2);
    EXPECT_EQ(r.state.workingText(), "東京 12 と 大阪 345\n");
    EXPECT_TRUE(r.label("jotai").startsWith("2"));
    QTest::keyClick(&r.window, Qt::Key_Escape);
    EXPECT_EQ(r.text()->toPlainText(), QString::fromUtf8("東京 12 と 大阪 345\n"));
    EXPECT_FALSE(r.text()->isReadOnly());

    // An error while typing: the status says it, no message box.
    typeCommand("s/(\\d+/x/");
    QTest::qWait(400);
    EXPECT_TRUE(r.prompt.shown.empty());
    EXPECT_TRUE(r.window.control("jotai")->toolTip().contains("("))
        << r.window.control("jotai")->toolTip().toStdString();

    // The run takes it, highlighted until the next edit, and can be undone.
    typeCommand("s/(\\d+)/<$1>/g");
    QTest::qWait(400);
    r.window.runSed_Click();
    EXPECT_EQ(r.state.workingText(), "東京 <12> と 大阪 <345>\n");
    EXPECT_EQ(r.text()->extraSelections().size(), 2);
    EXPECT_FALSE(r.text()->isReadOnly());
    QTest::keyClick(&r.window, Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(r.state.workingText(), "東京 12 と 大阪 345\n");
    EXPECT_TRUE(r.label("jotai").startsWith(QString::fromUtf8("元に戻しました")));
    // Typed edits are not lost to an undo: redo brings them back.
    r.text()->setFocus();
    QTest::keyClicks(r.text(), "x");
    const std::string typed = r.text()->toPlainText().toStdString();
    QTest::keyClick(&r.window, Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(&r.window, Qt::Key_Y, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(r.state.workingText(), typed);
    preview->setChecked(false);
}

// With the preview on, what the box shows after a run is the run's result
// and its status, the same text that is copied back: the history list
// refilled after the run, or an inline completion, start no preview.
TEST(Window, PreviewThenRunShowsTheRun) {
    const struct {
        const char* text;
        const char* command;
        const char* result;
        bool quick;
    } cases[] = {
        {"one\ntwo\n", "s/o/oo/g", "oone\ntwoo\n", false},  // applied twice it would read oooone
        {"one\ntwo\n", "s/o/oo/g", "oone\ntwoo\n", true},
        {"one\ntwo\n", "s/o/o/g", "one\ntwo\n", false},  // changes nothing
        {"one\ntwo\n", "m/w/", "two\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        WindowRig r;
        r.clipboard.text = c.text;
        r.window.clipKakunin_Click();
        r.window.menuAction("MenuPreview")->setChecked(true);
        r.command()->setFocus();
        r.command()->lineEdit()->selectAll();
        QTest::keyClicks(r.command()->lineEdit(), QString::fromUtf8(c.command));
        if (c.quick) {
            // Enter before the preview's pause after the last key has passed.
            QTest::qWait(20);
        } else {
            QTest::qWait(300);
            EXPECT_EQ(r.text()->toPlainText().toStdString(), c.result);  // the preview
        }
        QTest::keyClick(r.command(), Qt::Key_Return);
        for (int i = 0; i < 200 && r.state.status() != texts::text(texts::Msg::StatusDone); ++i) QTest::qWait(10);
        QTest::qWait(400);  // longer than the preview waits after a key
        EXPECT_EQ(r.state.workingText(), c.result);
        EXPECT_EQ(r.text()->toPlainText().toStdString(), c.result);
        EXPECT_FALSE(r.text()->isReadOnly());  // no preview on show
        EXPECT_EQ(r.label("jotai").toStdString(), texts::text(texts::Msg::StatusDone));
        r.window.ClipTenso_Click();
        for (int i = 0; i < 200 && r.state.busy(); ++i) QTest::qWait(10);
        EXPECT_EQ(r.clipboard.text, c.result);
        r.window.menuAction("MenuPreview")->setChecked(false);
    }
}

TEST(Window, PreviewUsesTheCommandAsTyped) {
    WindowRig r;
    r.files.files["/data/kakikae1.ini"] = "s/tokyo/osaka/g\r\n";
    r.window.menu_reload_Click();
    r.clipboard.text = "tokyo\n";
    r.window.clipKakunin_Click();
    r.window.menuAction("MenuPreview")->setChecked(true);
    r.command()->setFocus();
    QTest::qWait(20);  // the caret rule on focus comes first, as it does for a user
    r.command()->lineEdit()->selectAll();
    QTest::keyClicks(r.command()->lineEdit(), "s/tok");
    // The history completes the command, its tail selected: offered, not typed.
    ASSERT_EQ(r.command()->currentText(), "s/tokyo/osaka/g");
    QTest::qWait(300);
    EXPECT_EQ(r.text()->toPlainText(), "tokyo\n");
    r.window.menuAction("MenuPreview")->setChecked(false);
}

// Tab walks every control in the order they stand; in the text box Tab types
// a tab and Ctrl+Tab leaves it; Return presses the focused button, which
// keeps the focus through its job.
TEST(Window, KeysWalkAndPressEveryControl) {
    WindowRig r;
    r.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&r.window));
    // The command line has the focus at start, though the walk begins above it.
    QWidget* first = r.window.focusWidget();
    EXPECT_TRUE(first == r.command() || first == r.command()->lineEdit()) << (first ? first->objectName().toStdString() : "");
    r.window.control("History1")->setFocus();
    QStringList walked;
    for (int i = 0; i < 13; ++i) {
        QWidget* w = QApplication::focusWidget();
        while (w && w->objectName().isEmpty()) w = w->parentWidget();  // the combo box's line edit
        walked << (w ? w->objectName() : QString());
        if (walked.back() == "myTextBox") break;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(walked, (QStringList{"History1", "HIstory2", "History0", "clipKakunin", "m_rev", "myIchigeki",
                                   "myRegstrBox", "runSed", "okimariBox", "ClipTenso", "okimarituika", "multilineCmd",
                                   "myTextBox"}));
    r.text()->setPlainText("a");
    r.text()->moveCursor(QTextCursor::End);
    QTest::keyClick(r.text(), Qt::Key_Tab);
    EXPECT_EQ(r.text()->toPlainText(), "a\t");
    QTest::keyClick(r.text(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_NE(QApplication::focusWidget(), r.text());
    r.text()->setFocus();
    QTest::keyClick(r.text(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), r.window.control("multilineCmd"));

    r.clipboard.text = "loaded";
    QWidget* load = r.window.control("clipKakunin");
    load->setFocus();
    QTest::keyClick(load, Qt::Key_Return);
    QTest::qWait(200);  // the press shows before it clicks
    for (int i = 0; i < 200 && r.state.busy(); ++i) QTest::qWait(10);
    EXPECT_EQ(r.state.workingText(), "loaded");
    QWidget* copy = r.window.control("ClipTenso");
    copy->setFocus();
    r.clipboard.text.clear();
    QTest::keyClick(copy, Qt::Key_Return);
    QTest::qWait(200);
    for (int i = 0; i < 200 && r.state.busy(); ++i) QTest::qWait(10);
    EXPECT_EQ(r.clipboard.text, "loaded");
    EXPECT_EQ(QApplication::focusWidget(), copy);
}

// A run that changes nothing leaves the box alone (no text goes and comes
// back for a screen reader to read again); one that changes it replaces
// the text in one change. The changed mark is on the box for a reader too.
TEST(Window, UnchangedRunLeavesTheBoxAlone) {
    WindowRig r;
    r.clipboard.text = "one\ntwo\n";
    r.window.clipKakunin_Click();
    int changes = 0;
    QObject::connect(r.text()->document(), &QTextDocument::contentsChange, [&] { ++changes; });
    r.text()->setFocus();
    r.text()->moveCursor(QTextCursor::End);
    QTest::keyClick(r.text(), Qt::Key_X);
    EXPECT_EQ(r.text()->accessibleName(), QString::fromUtf8("作業欄（変更）"));
    changes = 0;
    const int caret = r.text()->textCursor().position();
    r.command()->setEditText("s/zzz/y/");
    r.window.runSed_Click();
    for (int i = 0; i < 200 && r.state.busy(); ++i) QTest::qWait(10);
    EXPECT_EQ(r.state.workingText(), "one\ntwo\nx");
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(r.text()->textCursor().position(), caret);
    EXPECT_EQ(r.text()->accessibleName(), QString::fromUtf8("作業欄"));
    r.command()->setEditText("s/o/0/g");
    r.window.runSed_Click();
    for (int i = 0; i < 200 && r.state.busy(); ++i) QTest::qWait(10);
    EXPECT_EQ(r.text()->toPlainText(), "0ne\ntw0\nx");
    EXPECT_EQ(changes, 1);
}

// With the preview on, the conversion under the pointer shows its result,
// highlighted, while the working text stays; closing the menu goes back and
// choosing the item takes it.
TEST(Window, ConversionPreviewOnHover) {
    WindowRig r;
    r.clipboard.text = "会議は2026年12月8日\n費用は二千二十六円\n";
    r.window.clipKakunin_Click();
    QAction* preview = r.window.menuAction("MenuPreview");
    preview->setChecked(true);
    QAction* era = r.window.menuAction("MenuSeireki2Wareki");
    auto* menu = qobject_cast<QMenu*>(era->parent());
    ASSERT_NE(menu, nullptr);
    menu->popup(QPoint(0, 0));
    era->hover();
    QTest::qWait(300);
    EXPECT_EQ(r.text()->toPlainText(), QString::fromUtf8("会議は令和8年12月8日\n費用は二千二十六円\n"));
    EXPECT_EQ(r.text()->extraSelections().size(), 1);
    EXPECT_EQ(r.state.workingText(), "会議は2026年12月8日\n費用は二千二十六円\n");
    EXPECT_TRUE(r.label("jotai").contains(QString::fromUtf8("1 箇所"))) << r.label("jotai").toStdString();
    menu->hide();
    EXPECT_EQ(r.text()->toPlainText(), QString::fromUtf8("会議は2026年12月8日\n費用は二千二十六円\n"));

    QAction* digits = r.window.menuAction("MenuKan2Num");
    qobject_cast<QMenu*>(digits->parent())->popup(QPoint(0, 0));
    digits->hover();
    QTest::qWait(300);
    EXPECT_EQ(r.text()->toPlainText(), QString::fromUtf8("会議は2026年12月8日\n費用は2026円\n"));
    qobject_cast<QMenu*>(digits->parent())->hide();
    digits->trigger();
    for (int i = 0; i < 500 && r.state.busy(); ++i) QTest::qWait(10);
    EXPECT_EQ(r.state.workingText(), "会議は2026年12月8日\n費用は2026円\n");
    EXPECT_FALSE(r.text()->isReadOnly());
    preview->setChecked(false);
}

// Work that takes a while shows a bar beside "中止": for a filter, whose end
// nobody knows, a busy bar with the seconds it has run; gone when it ends.
TEST(Window, ProgressBarWhileAFilterRuns) {
    WindowRig r;
    r.text()->setPlainText("b\na\n");
    auto* bar = r.window.findChild<QProgressBar*>("progress");
    ASSERT_NE(bar, nullptr);
    EXPECT_FALSE(bar->isVisible());
    r.command()->setEditText("sleep 1.2; sort");
    r.window.runSed_Click();
    QTest::qWait(150);
    EXPECT_FALSE(bar->isVisible()) << "a bar for quick work only flickers";
    QTest::qWait(900);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->maximum(), 0);  // busy, no share known
    EXPECT_TRUE(bar->format().contains(QString::fromUtf8("秒"))) << bar->format().toStdString();
    EXPECT_FALSE(bar->accessibleName().isEmpty());
    for (int i = 0; i < 500 && r.state.busy(); ++i) QTest::qWait(10);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(r.state.workingText(), "a\nb\n");
}

// After a filter the changed lines are highlighted; an edit clears them.
TEST(Window, HighlightsAfterAFilterUntilAnEdit) {
    WindowRig r;
    r.text()->setPlainText("b\na\nc\n");
    r.command()->setEditText("sort");
    r.window.runSed_Click();
    for (int i = 0; i < 500 && r.state.busy(); ++i) QTest::qWait(10);
    EXPECT_EQ(r.state.workingText(), "a\nb\nc\n");
    EXPECT_FALSE(r.text()->extraSelections().isEmpty());
    r.text()->setFocus();
    QTest::keyClick(r.text(), Qt::Key_X);
    EXPECT_TRUE(r.text()->extraSelections().isEmpty());
}

}  // namespace
}  // namespace kk

namespace kk {
namespace {

// Highlights and the preview's frame come from the palette and stand at
// least 3:1 from the background, with the text on a highlight still 3:1, in
// a light and a dark palette alike.
TEST(Window, HighlightsStandOutInLightAndDarkPalettes) {
    const QPalette original = QApplication::palette();
    QPalette light = original, dark = original;
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::Text, Qt::black);
    light.setColor(QPalette::Highlight, QColor(48, 140, 198));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(220, 220, 220));
    dark.setColor(QPalette::Highlight, QColor(200, 120, 0));
    for (const QPalette& palette : {light, dark}) {
        QApplication::setPalette(palette);
        WindowRig r;
        r.text()->setPlainText("a1 b2\n");
        r.window.menuAction("MenuPreview")->setChecked(true);
        r.command()->lineEdit()->selectAll();
        QTest::keyClicks(r.command()->lineEdit(), "s/\\d/N/g");
        QTest::qWait(400);
        const auto selections = r.text()->extraSelections();
        ASSERT_EQ(selections.size(), 2);
        const QColor base = palette.color(QPalette::Base), text = palette.color(QPalette::Text);
        const QColor mark = selections[0].format.background().color();
        EXPECT_GE(contrastRatio(mark, base), 3.0);
        EXPECT_GE(contrastRatio(mark, text), 3.0);
        // Of the palette's own hue: nearer its highlight than its text.
        EXPECT_LT(std::abs(mark.hue() - palette.color(QPalette::Highlight).hue()), 20);
        const QColor tinted = r.text()->palette().color(QPalette::Base);
        EXPECT_GT(contrastRatio(tinted, text), 4.5);  // the preview's text stays readable
        const QString sheet = r.text()->styleSheet();
        const qsizetype hash = sheet.indexOf('#');
        ASSERT_GE(hash, 0) << sheet.toStdString();
        EXPECT_GE(contrastRatio(QColor(sheet.mid(hash, 7)), base), 3.0);
        r.window.menuAction("MenuPreview")->setChecked(false);
    }
    QApplication::setPalette(original);
}

}  // namespace
}  // namespace kk

namespace kk {
namespace {

// The offset index against a count from the start, over several of its
// blocks, asked in an order that makes it extend in steps (forward, back,
// by position): ASCII, kana (three bytes, one unit) and emoji (four bytes,
// two units) mixed.
TEST(Highlights, OffsetIndexAgreesWithACountFromTheStart) {
    std::string text;
    for (int i = 0; text.size() < 300'000; ++i) text += i % 3 == 0 ? "ab\n" : i % 3 == 1 ? "かな" : "🙂x";
    std::vector<int> positionOf(text.size() + 1);
    int units = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        positionOf[i] = units;
        if (i < text.size()) {
            const auto b = static_cast<unsigned char>(text[i]);
            units += (b & 0xC0) == 0x80 ? 0 : b >= 0xF0 ? 2 : 1;
        }
    }
    const OffsetIndex index(text);
    for (const std::size_t byte : {std::size_t{0}, std::size_t{5}, std::size_t{70'000}, std::size_t{3},
                                   std::size_t{299'990}, std::size_t{131'072}, std::size_t{65'536}}) {
        if ((static_cast<unsigned char>(text[byte]) & 0xC0) == 0x80) continue;  // inside a character
        EXPECT_EQ(index.toPosition(byte), positionOf[byte]) << byte;
    }
    const OffsetIndex fresh(text);
    for (const int position : {positionOf[200'001], 0, positionOf[64], positionOf[150'000]}) {
        const std::size_t byte = fresh.toByte(position);
        EXPECT_EQ(positionOf[byte], position) << position;
    }
}

}  // namespace
}  // namespace kk
