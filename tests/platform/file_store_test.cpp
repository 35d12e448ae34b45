#include "platform/file_store.h"
#include "platform/data_folder.h"
#include "platform/private_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>

namespace kk {
namespace {

TEST(PrivateDir, IsPrivateAndRemoved) {
    std::string path;
    {
        PrivateDir dir;
        ASSERT_TRUE(dir.ok());
        path = dir.path();
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        ASSERT_TRUE(writeWholeFile(dir.file("x"), "data"));
        PrivateDir other;
        EXPECT_NE(other.path(), path);  // never a shared name
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

// A folder whose owner is gone (a run killed outright) is swept; one whose
// owner runs, or that is not ours in name, stays.
TEST(PrivateDir, AbandonedFoldersAreSwept) {
    PrivateDir base;
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);  // now a pid nobody has
    namespace fs = std::filesystem;
    struct {
        std::string name;
        bool stays;
    } cases[] = {
        {"kakikae-" + std::to_string(child) + "-abcdef", false},
        {"kakikae-" + std::to_string(::getpid()) + "-abcdef", true},
        {"kakikae-" + std::to_string(::getppid()) + "-abcdef", true},
        {"kakikae-XXabcdef", true},
        {"other-" + std::to_string(child), true},
    };
    for (const auto& c : cases) {
        fs::create_directory(base.file(c.name));
        ASSERT_TRUE(writeWholeFile(base.file(c.name) + "/kke0.tmp", "the user's text"));
    }
    sweepAbandonedFolders(base.path());
    for (const auto& c : cases) EXPECT_EQ(fs::exists(base.file(c.name)), c.stays) << c.name;
}

TEST(LocalFileStore, AppendSizeRead) {
    PrivateDir dir;
    LocalFileStore files;
    const std::string f = dir.file("list.ini");
    EXPECT_FALSE(files.exists(f));
    EXPECT_EQ(files.size(f), -1);
    EXPECT_FALSE(files.readAll(f));
    EXPECT_TRUE(files.append(f, "a\r\n"));
    EXPECT_TRUE(files.append(f, "b\r\n"));
    EXPECT_EQ(files.size(f), 6);
    EXPECT_EQ(files.readAll(f).value(), "a\r\nb\r\n");
    // A folder is not a list file.
    std::filesystem::create_directory(dir.file("sub"));
    EXPECT_FALSE(files.readAll(dir.file("sub")));
    EXPECT_FALSE(files.append(dir.file("sub"), "x"));
    EXPECT_FALSE(files.append(dir.file("missing/sub/file"), "x"));
}

// Something named like a list file that is no regular file is never opened:
// a FIFO would block a read or an append for good.
TEST(LocalFileStore, OnlyRegularFiles) {
    PrivateDir dir;
    LocalFileStore files;
    const std::string fifo = dir.file("kakikae1.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(files.append(fifo, "s/a/b/\r\n"));
    EXPECT_FALSE(files.readAll(fifo));
    EXPECT_FALSE(files.lastByte(fifo));
    EXPECT_FALSE(files.append("/dev/null", "x"));
    EXPECT_FALSE(files.readAll("/dev/zero"));
    const std::string f = dir.file("list");
    EXPECT_FALSE(files.lastByte(f));
    ASSERT_TRUE(files.append(f, "ab"));
    EXPECT_EQ(files.lastByte(f), 'b');
}

TEST(DataFolder, PortableOnlyWithAMarkerOrListsBesideTheExecutable) {
    PrivateDir config;
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    const std::string xdg = config.path() + "/kakikae";
    const struct {
        const char* file;
        bool portable;
    } cases[] = {
        {nullptr, false},  // a writable folder alone (~/.local/bin, /usr/bin as root) is no portable copy
        {kPortableMarkerName, true},
        {kHistoryFileName, true},
        {kFavouritesFileName, true},
        {"kakikae", false},
    };
    for (const auto& c : cases) {
        PrivateDir exe;
        if (c.file) { ASSERT_TRUE(LocalFileStore().append(exe.file(c.file), "")); }
        const DataFolder folder = DataFolder::locate(exe.path());
        EXPECT_EQ(folder.path(), c.portable ? exe.path() : xdg) << (c.file ? c.file : "(nothing)");
    }
    EXPECT_EQ(DataFolder::locate("/nonexistent-kakikae-dir").file("kakikae1.ini"), xdg + "/kakikae1.ini");
    setenv("XDG_CONFIG_HOME", "relative/config", 1);  // not absolute: ignored, as the base directory rules say
    setenv("HOME", config.path().c_str(), 1);
    EXPECT_EQ(DataFolder::locate("").path(), config.path() + "/.config/kakikae");
    EXPECT_TRUE(LocalFileStore().makeFolder(xdg));
    EXPECT_TRUE(std::filesystem::is_directory(xdg));
    EXPECT_FALSE(LocalFileStore().makeFolder("/proc/kakikae-cannot-exist"));
}

TEST(InstallLayout, HelpersAndHelpPageFromTheInstalledTreeElseBesideTheExecutable) {
    PrivateDir prefix;
    const std::string bin = prefix.file("bin");
    ASSERT_TRUE(LocalFileStore().makeFolder(bin));
    const InstallLayout bare = InstallLayout::locate(bin);  // a build folder or portable copy
    EXPECT_EQ(bare.helperDir, bin);
    EXPECT_EQ(bare.docDir, bin);
    EXPECT_EQ(bare.commandLineTool(), bin + "/kakikae-cli");
    ASSERT_TRUE(LocalFileStore().makeFolder(prefix.file("libexec/kakikae")));
    ASSERT_TRUE(LocalFileStore().append(prefix.file("libexec/kakikae/sortf"), ""));
    ASSERT_TRUE(LocalFileStore().makeFolder(prefix.file("share/doc/kakikae")));
    ASSERT_TRUE(LocalFileStore().append(prefix.file("share/doc/kakikae/kakikae.html"), ""));
    const InstallLayout installed = InstallLayout::locate(bin);
    EXPECT_EQ(installed.helperDir, prefix.file("libexec/kakikae"));
    EXPECT_EQ(installed.docDir, prefix.file("share/doc/kakikae"));
}

}  // namespace
}  // namespace kk
