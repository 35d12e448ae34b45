// The user's own places: which folder by the environment, and that nothing
// planted by someone else is followed or trusted.
#include "platform/data_folder.h"
#include "platform/file_store.h"
#include "platform/private_dir.h"
#include "platform/user_paths.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <optional>

namespace kk {
namespace {

// Sets (or with nullopt unsets) environment variables for one scope.
class Env {
public:
    Env(std::initializer_list<std::pair<const char*, std::optional<std::string>>> vars) {
        for (const auto& [name, value] : vars) {
            const char* old = std::getenv(name);
            saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
            if (value) ::setenv(name, value->c_str(), 1);
            else ::unsetenv(name);
        }
    }
    ~Env() {
        for (const auto& [name, value] : saved_) {
            if (value) ::setenv(name, value->c_str(), 1);
            else ::unsetenv(name);
        }
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
}

TEST(UserPaths, ConfigHomeNeverShared) {
    const std::string pwHome = ::getpwuid(::getuid())->pw_dir;
    const struct Case {
        std::optional<std::string> xdg, home;
        std::string expected;
    } cases[] = {
        {"/x/conf", "/h", "/x/conf"},
        {"relative/conf", "/h", "/h/.config"},  // a relative value is ignored, as the base-directory rules say
        {std::nullopt, "/h", "/h/.config"},
        {std::nullopt, std::nullopt, pwHome + "/.config"},  // cron: no HOME, the password database's
        {"", "relative", pwHome + "/.config"},
    };
    for (const auto& c : cases) {
        Env env{{"XDG_CONFIG_HOME", c.xdg}, {"HOME", c.home}};
        EXPECT_EQ(configHome(), c.expected) << c.xdg.value_or("-") << " " << c.home.value_or("-");
        EXPECT_EQ(DataFolder::locate("").path(), c.expected + "/kakikae");
    }
}

TEST(UserPaths, RuntimeFolderIsOursOrNone) {
    PrivateDir scratch;
    namespace fs = std::filesystem;
    const std::string uid = std::to_string(::getuid());
    {
        // Without XDG_RUNTIME_DIR: kakikae-UID under TMPDIR, made 0700.
        Env env{{"XDG_RUNTIME_DIR", std::nullopt}, {"TMPDIR", scratch.path()}};
        const auto folder = runtimeFolder();
        ASSERT_TRUE(folder);
        EXPECT_EQ(*folder, scratch.file("kakikae-" + uid));
        EXPECT_EQ(modeOf(*folder), 0700u);
    }
    {
        // A folder someone else could write, or a symlink, in its place: refused.
        const std::string other = scratch.file("other");
        fs::create_directories(other + "/a");
        ::chmod((other + "/a").c_str(), 0777);
        fs::create_directory_symlink(other + "/a", other + "/kakikae-" + uid);
        Env env{{"XDG_RUNTIME_DIR", std::nullopt}, {"TMPDIR", other}};
        std::string why;
        EXPECT_FALSE(runtimeFolder(&why));
        EXPECT_NE(why.find("not a private folder"), std::string::npos) << why;
    }
    {
        // XDG_RUNTIME_DIR that is no private folder of ours is not used.
        const std::string open = scratch.file("open");
        fs::create_directory(open);
        ::chmod(open.c_str(), 0777);
        Env env{{"XDG_RUNTIME_DIR", open}, {"TMPDIR", scratch.path()}};
        EXPECT_EQ(runtimeFolder().value_or(""), scratch.file("kakikae-" + uid));
    }
}

TEST(UserPaths, ListFilesArePrivateAndNoLinkIsFollowed) {
    PrivateDir dir;
    LocalFileStore files;
    const std::string folder = dir.file("conf/kakikae");
    ASSERT_TRUE(files.makeFolder(folder));
    EXPECT_EQ(modeOf(folder), 0700u);
    ASSERT_TRUE(files.append(folder + "/kakikae1.ini", "s/a/b/\n"));
    EXPECT_EQ(modeOf(folder + "/kakikae1.ini"), 0600u);
    // An older file others could read loses their bits when we write to it.
    ASSERT_TRUE(writeWholeFile(folder + "/kakikae0.ini", "m/x/\n"));
    ::chmod((folder + "/kakikae0.ini").c_str(), 0644);
    ASSERT_TRUE(files.append(folder + "/kakikae0.ini", "m/y/\n"));
    EXPECT_EQ(modeOf(folder + "/kakikae0.ini"), 0600u);
    // A planted symlink (to a victim's file) is refused, and the target untouched.
    const std::string victim = dir.file("bashrc");
    ASSERT_TRUE(writeWholeFile(victim, "victim\n"));
    std::filesystem::create_symlink(victim, folder + "/linked.ini");
    EXPECT_FALSE(files.append(folder + "/linked.ini", "s/a/b/\n"));
    EXPECT_FALSE(files.readAll(folder + "/linked.ini"));
    EXPECT_EQ(readWholeFile(victim).value_or(""), "victim\n");
}

}  // namespace
}  // namespace kk
