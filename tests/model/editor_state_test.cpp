// Start-up, clipboard transfer, views and the lists through fake ports.
#include "fakes.h"
#include "texts/texts.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdlib>

namespace kk {
namespace {

using testing::Rig;
using V = std::vector<Text>;

TEST(StartUp, LoadsClipboardListsAndCommand) {
    Rig r;
    r.clipboard.text = "line1\nline2";
    r.files.files["/data/kakikae1.ini"] = "a\r\nb\r\nc\r\n";
    r.files.files["/data/kakikae0.ini"] = "【コメント】 s/x/y/gk\r\n";
    r.state.formLoad();
    EXPECT_EQ(r.state.workingText(), "line1\nline2");
    EXPECT_EQ(r.state.startClip(), "line1\nline2");
    EXPECT_EQ(r.state.status(), texts::text(texts::Msg::StatusClipboard));
    EXPECT_EQ(r.state.history(), (V{"c", "b", "a"}));
    EXPECT_EQ(r.state.favourites(), (V{"【コメント】 s/x/y/gk"}));
    EXPECT_EQ(r.state.commandLine(), "s///gk");
    EXPECT_TRUE(r.prompt.shown.empty());
}

// Where the clipboard is offered only to a focused window, start-up says
// "loading" until the front loads it; never "loaded" before the text is there.
TEST(StartUp, ClipboardLoadedLaterSaysLoadingUntilThen) {
    Rig r;
    r.clipboard.text = "later";
    r.files.files["/data/kakikae1.ini"] = "a\r\n";
    r.state.formLoad(EditorState::ClipboardAtStart::Later);
    EXPECT_EQ(r.state.status(), texts::text(texts::Msg::StatusLoading));
    EXPECT_EQ(r.state.workingText(), "");
    EXPECT_EQ(r.state.history(), (V{"a"}));
    EXPECT_EQ(r.state.commandLine(), "s///gk");
    r.state.loadStartClipboard();
    EXPECT_EQ(r.state.workingText(), "later");
    EXPECT_EQ(r.state.startClip(), "later");
    EXPECT_EQ(r.state.status(), texts::text(texts::Msg::StatusClipboard));
}

TEST(StartUp, EmptyClipboardAndNoFiles) {
    Rig r;
    r.clipboard.hasText = false;  // an image, or nothing
    r.state.formLoad();
    EXPECT_EQ(r.state.workingText(), "");
    EXPECT_EQ(r.state.startClip(), "");
    EXPECT_TRUE(r.state.history().empty());
    EXPECT_EQ(r.state.commandLine(), "s///gk");
}

TEST(StartUp, SizeCheckAtFiftyThousandBytes) {
    for (const std::size_t size : {49'999u, 50'000u}) {
        Rig r;
        r.files.files["/data/kakikae1.ini"] = std::string(size, 'x');
        r.prompt.answers = {Prompt::Answer::Yes};
        r.state.formLoad();
        if (size < 50'000) {
            EXPECT_TRUE(r.prompt.shown.empty());
            continue;
        }
        ASSERT_EQ(r.prompt.shown.size(), 2u);
        EXPECT_EQ(r.prompt.shown[0].text,
                  "履歴ファイルのサイズが50Kを超えています。\r\n整理すると起動が速くなります。\r\n"
                  "kakikaeを起動してからOptionでも編集できます\r\n整理しますか？");
        EXPECT_EQ(r.prompt.shown[0].buttons, Prompt::Buttons::YesNo);
        EXPECT_EQ(r.prompt.shown[1].text, texts::text(texts::Msg::EditDoneHold));
        EXPECT_EQ(r.desktop.opened, (V{"/data/kakikae1.ini"}));
    }
}

TEST(StartUp, SizeCheckGoesOnWhenNoEditorOpens) {
    Rig r;
    r.files.files["/data/kakikae0.ini"] = std::string(60'000, 'x');
    r.desktop.succeed = false;
    r.prompt.answers = {Prompt::Answer::Yes};
    r.state.formLoad();
    ASSERT_GE(r.prompt.shown.size(), 2u);
    EXPECT_NE(r.prompt.shown[0].text.find("お気まきの表現ファイル"), std::string::npos);
    EXPECT_NE(r.prompt.shown[1].text.find("開けませんでした"), std::string::npos);
    EXPECT_EQ(r.state.favourites().size(), 1u);  // start-up went on
}

// Every list file opens directly in the desktop's editor, whatever its size.
TEST(ListFiles, BigFilesOpenDirectly) {
    Rig r;
    r.files.files["/data/kakikae0.ini"] = std::string(100'000, 'x');
    r.state.openListFile("kakikae0.ini");
    EXPECT_EQ(r.desktop.opened, (std::vector<std::string>{"/data/kakikae0.ini"}));
    EXPECT_TRUE(r.prompt.shown.empty());
}

TEST(Desktop, HelpHomePageFolderAndSystemInfo) {
    Rig r("/opt/kakikae/bin");
    r.state.openHelp();
    r.state.openHomePage();  // none configured: the help page stands in
    r.state.openDataFolder();
    EXPECT_EQ(r.desktop.opened, (V{"/opt/kakikae/bin/kakikae.html", "/opt/kakikae/bin/kakikae.html", "/data"}));
    // No system-information program on PATH: the message, nothing started.
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", "/nonexistent", 1);
    r.state.startSystemInfo();
    ::setenv("PATH", path.c_str(), 1);
    ASSERT_EQ(r.prompt.shown.size(), 1u);
    EXPECT_EQ(r.prompt.shown[0].text, "現時点ではｼｽﾃﾑ情報を使用できません");
    EXPECT_EQ(r.desktop.opened.size(), 3u);
}

TEST(ListFiles, AGigabyteListIsNotRead) {
    Rig r;
    r.files.files["/data/kakikae1.ini"] = "a\r\n";
    r.files.claimedSizes["/data/kakikae1.ini"] = 1LL << 30;
    r.files.files["/data/kakikae0.ini"] = "fav\r\n";
    r.prompt.answers = {Prompt::Answer::No};  // the size check's question: not now
    r.state.formLoad();
    EXPECT_TRUE(r.state.history().empty());
    EXPECT_EQ(r.state.favourites(), (V{"fav"}));
    EXPECT_EQ(r.state.workingText(), "");
    EXPECT_NE(r.state.status().find("大きすぎる"), std::string::npos) << r.state.status();
}

TEST(Clipboard, LoadCopyBackAndViews) {
    Rig r;
    r.clipboard.text = "start";
    r.state.formLoad();
    r.clipboard.text = "later\ntext";
    r.state.loadClipboard();
    EXPECT_EQ(r.state.workingText(), "later\ntext");
    EXPECT_EQ(r.state.startClip(), "start");  // set once
    r.state.markChanged();
    r.state.showStartClip();
    EXPECT_EQ(r.state.workingText(), "start");
    EXPECT_EQ(r.state.status(), texts::text(texts::Msg::StatusStartClip));
    EXPECT_TRUE(r.state.changedMark());  // the start-up view keeps the mark
    r.state.showBefore();                // before the first run: empty
    EXPECT_EQ(r.state.workingText(), "");
    EXPECT_EQ(r.state.status(), texts::text(texts::Msg::StatusBefore));
    EXPECT_FALSE(r.state.changedMark());
    r.state.showAfter();
    EXPECT_EQ(r.state.workingText(), "");
    EXPECT_EQ(r.state.status(), texts::text(texts::Msg::StatusAfter));

    r.state.setWorkingTextFromView("out\nput\n");
    r.state.markChanged();
    r.state.copyBack();
    EXPECT_EQ(r.clipboard.text, "out\nput\n");  // the platform's line ends
    EXPECT_EQ(r.state.status(), texts::text(texts::Msg::StatusClipboard));
    EXPECT_FALSE(r.state.changedMark());
    r.state.setWorkingTextFromView("");
    r.state.copyBack();
    EXPECT_EQ(r.clipboard.text, "");
}

// Reading the selection: loads and the one-shot take it, results go to the
// clipboard; where there is none, reads stay with the clipboard and the
// status line says why.
TEST(Clipboard, PrimarySelectionAsTheSource) {
    Rig r;
    r.clipboard.text = "clip";
    const Outcome none = r.state.readFromPrimary(true);
    EXPECT_EQ(none.kind, Outcome::Kind::Refused);
    EXPECT_EQ(r.state.status(), texts::text(texts::Msg::PrimaryUnavailable));
    EXPECT_FALSE(r.state.readsPrimary());
    r.state.loadClipboard();
    EXPECT_EQ(r.state.workingText(), "clip");

    r.clipboard.primary = "selected";
    EXPECT_TRUE(r.state.readFromPrimary(true).ok());
    r.state.setCommandLineFromView("s/selected/chosen/");
    r.state.oneShot();
    EXPECT_EQ(r.clipboard.text, "chosen");
    EXPECT_EQ(*r.clipboard.primary, "selected");
    r.state.loadClipboard();
    EXPECT_EQ(r.state.status(), texts::text(texts::Msg::StatusPrimary));
    r.clipboard.primary = "";
    r.clipboard.hasText = false;  // nothing selected
    r.state.loadClipboard();
    EXPECT_EQ(r.state.lastOutcome().message, texts::text(texts::Msg::PrimaryHoldsNoText));
    r.clipboard.hasText = true;
    EXPECT_TRUE(r.state.readFromPrimary(false).ok());
    r.state.loadClipboard();
    EXPECT_EQ(r.state.workingText(), "chosen");
}

// A desktop key's run by name: a recipe, or a favourite by its comment or its
// command; the clipboard (or the selection) in, the result back, and the
// command line and the reading source as they were.
TEST(Clipboard, ShortcutRunsByName) {
    Rig r;
    r.files.files["/data/kakikae0.ini"] = "【大文字】tr/a-z/A-Z/\ns/x/y/g 【xをyに】\n";
    r.files.files["/data/kakikae-recipes.txt"] = "[整える]\n- s/ +$//g\n- s/^/> /g\n";
    r.clipboard.text = "start";
    r.state.formLoad();
    r.state.setCommandLineFromView("s/typed/by hand/");
    auto names = r.state.shortcutNames();  // the recipes', then the favourites' in the list's order
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], "整える");
    std::sort(names.begin() + 1, names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"整える", "xをyに", "大文字"}));
    struct {
        const char* name;
        const char* clipboard;
        bool primary;
        const char* result;  // nullptr: refused, the clipboard stays
    } cases[] = {
        {"大文字", "abc", false, "ABC"},
        {"s/x/y/g", "xx", false, "yy"},
        {"xをyに", "xax", false, "yay"},
        {"整える", "a  \nb", false, "> a\n> b"},
        {"無い名前", "abc", false, nullptr},
        {"大文字", "clip", true, "SELECTED"},
        {"", "typed", false, "by hand"},  // no name: the command line as it stands
    };
    for (const auto& c : cases) {
        r.clipboard.text = c.clipboard;
        r.clipboard.primary = "selected";
        std::optional<Outcome> got;
        r.state.runShortcut(c.name, c.primary, [&](const Outcome& o) { got = o; });
        ASSERT_TRUE(got) << c.name;
        EXPECT_EQ(got->ok(), c.result != nullptr) << c.name << ": " << got->message;
        EXPECT_EQ(r.clipboard.text, c.result ? c.result : c.clipboard) << c.name;
        EXPECT_EQ(r.state.commandLine(), "s/typed/by hand/") << c.name;
        EXPECT_FALSE(r.state.readsPrimary()) << c.name;
    }
}

TEST(Clipboard, LoneCrSurvivesTheRoundTrip) {
    Rig r;
    r.clipboard.text = "a\rb\nc";
    r.state.loadClipboard();
    EXPECT_EQ(r.state.workingText(), "a\rb\nc");
    r.state.copyBack();
    EXPECT_EQ(r.clipboard.text, "a\rb\nc");
}

TEST(Lists, AddFavouriteAndReload) {
    Rig r;
    r.state.formLoad();
    r.state.setCommandLineFromView("s/𠮷/吉/gk");
    r.state.addFavourite();
    r.state.addFavourite();
    EXPECT_EQ(r.state.favourites(), (V{"s/𠮷/吉/gk", "s/𠮷/吉/gk"}));
    EXPECT_EQ(r.files.files["/data/kakikae0.ini"], "s/𠮷/吉/gk\r\ns/𠮷/吉/gk\r\n");  // UTF-8, nothing lost
    r.state.setCommandLineFromView("");
    r.state.addFavourite();
    EXPECT_EQ(r.state.favourites().front(), "");

    r.files.files["/data/kakikae1.ini"] = "x\r\ny";
    r.state.setCommandLineFromView("typed");
    r.state.reloadLists();
    EXPECT_EQ(r.state.history(), (V{"y", "x"}));
    EXPECT_EQ(r.state.commandLine(), "s///gk");
    // A deleted history file leaves the list as it was but still resets the command.
    r.files.files.erase("/data/kakikae1.ini");
    r.state.setCommandLineFromView("typed");
    r.state.reloadLists();
    EXPECT_EQ(r.state.history(), (V{"y", "x"}));
    EXPECT_EQ(r.state.commandLine(), "s///gk");
}

TEST(Lists, FavouriteThatCannotBeWrittenStaysAndSaysSo) {
    Rig r;
    r.files.readOnly.insert("/data/kakikae0.ini");
    r.state.setCommandLineFromView("s/a/b/gk");
    r.state.addFavourite();
    EXPECT_EQ(r.state.favourites(), (V{"s/a/b/gk"}));
    ASSERT_EQ(r.prompt.shown.size(), 1u);
    EXPECT_NE(r.prompt.shown[0].text.find("/data/kakikae0.ini"), std::string::npos);
}

TEST(Lists, UnreadableFileKeepsTheListAndSaysSo) {
    Rig r;
    r.files.files["/data/kakikae1.ini"] = "a\r\n";
    r.state.formLoad();
    r.files.unreadable.insert("/data/kakikae1.ini");
    r.state.reloadLists();
    EXPECT_EQ(r.state.history(), (V{"a"}));
    EXPECT_NE(r.state.status().find("kakikae1.ini"), std::string::npos);
}

}  // namespace
}  // namespace kk
