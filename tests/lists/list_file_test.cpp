#include "lists/list_file.h"
#include "platform/file_store.h"
#include "platform/private_dir.h"

#include <gtest/gtest.h>

namespace kk::lists {
namespace {

using V = std::vector<Text>;

TEST(ListFile, Parsing) {
    struct {
        const char* name;
        std::string bytes;
        V entries;
    } cases[] = {
        {"empty", "", {}},
        {"three", "a\r\nb\r\nc\r\n", {"a", "b", "c"}},
        {"last line without CR LF", "a\r\nb", {"a", "b"}},
        {"empty lines stay", "a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"lone LF and lone CR end lines", "a\nb\rc", {"a", "b", "c"}},
        {"one empty line", "\r\n", {""}},
        {"NUL bytes dropped", std::string("a\0b\r\n", 5), {"ab"}},
        {"Shift_JIS file", "\x93\xfa\x96\x7b\r\n\x82\xa0\r\ns/a/b/gk\r\n", {"日本", "あ", "s/a/b/gk"}},
        // Decided for the whole file: bytes neither UTF-8 nor CP932 reads stay as they are.
        {"undecodable bytes kept", "s/\xff/x/\r\nあ\r\n", {"s/\xff/x/", "あ"}},
    };
    for (const auto& c : cases) EXPECT_EQ(parseListFile(c.bytes), c.entries) << c.name;
}

TEST(ListFile, NewestFirstAndEncoding) {
    EXPECT_EQ(newestFirst({"a", "b", "c"}), (V{"c", "b", "a"}));
    EXPECT_EQ(encodeListEntry("𠮷"), "𠮷\r\n");
    EXPECT_EQ(encodeListEntry(""), "\r\n");
}

// An appended entry reads back as itself, whatever the file ended with, and
// an entry with a line break is refused rather than split in two.
TEST(ListFile, AppendedEntriesReadBackWhole) {
    struct {
        const char* name;
        std::string before;
        std::string entry;
        Appended result;
        V entries;
    } cases[] = {
        {"new file", "", "s/a/b/", Appended::Written, {"s/a/b/"}},
        {"after a line end", "x\r\n", "s/a/b/", Appended::Written, {"x", "s/a/b/"}},
        {"no final line end", "x", "s/a/b/", Appended::Written, {"x", "s/a/b/"}},
        {"a lone CR at the end", "x\r", "y", Appended::Written, {"x", "y"}},
        {"line break in the entry", "x\r\n", "s/a\nb//", Appended::NotStorable, {"x"}},
        {"CR in the entry", "x\r\n", "s/a\rb//", Appended::NotStorable, {"x"}},
    };
    for (const auto& c : cases) {
        PrivateDir dir;
        LocalFileStore files;
        const std::string f = dir.file("kakikae0.ini");
        if (!c.before.empty()) { ASSERT_TRUE(writeWholeFile(f, c.before)); }
        EXPECT_EQ(appendEntry(files, f, c.entry), c.result) << c.name;
        EXPECT_EQ(parseListFile(readWholeFile(f).value_or("")), c.entries) << c.name;
    }
    LocalFileStore files;
    EXPECT_EQ(appendEntry(files, "/dev/full", "x"), Appended::NotWritten);
}

TEST(History, RecordingRule) {
    EXPECT_TRUE(shouldRecordInHistory({}, "a"));
    EXPECT_FALSE(shouldRecordInHistory({}, ""));  // an empty list reads as the empty text
    EXPECT_TRUE(shouldRecordInHistory({"x"}, ""));
    EXPECT_FALSE(shouldRecordInHistory({"a", "b"}, "a"));
    EXPECT_TRUE(shouldRecordInHistory({"b", "a"}, "a"));  // only the newest entry counts
    EXPECT_TRUE(fitsHistoryFile(std::string(200, 'x')));
    EXPECT_FALSE(fitsHistoryFile(std::string(201, 'x')));
    std::string kana;
    for (int i = 0; i < 200; ++i) kana += "あ";  // characters, not bytes
    EXPECT_TRUE(fitsHistoryFile(kana));
}

}  // namespace
}  // namespace kk::lists
