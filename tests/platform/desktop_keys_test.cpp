// Keys for the whole desktop: which a global shortcut may use and how X
// names them; the desktop entry's actions and GNOME's keybindings.
#include "platform/desktop_bindings.h"
#include "platform/x11_hotkeys.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeySequence>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

namespace kk {
namespace {

TEST(X11Keys, FromQtKeys) {
    constexpr std::uint16_t C = XCB_MOD_MASK_CONTROL, S = XCB_MOD_MASK_SHIFT, A = XCB_MOD_MASK_1, M = XCB_MOD_MASK_4;
    struct {
        QKeyCombination key;
        std::optional<X11Key> x;
    } cases[] = {
        {Qt::CTRL | Qt::ALT | Qt::Key_K, X11Key{'k', C | A}},
        {Qt::META | Qt::Key_1, X11Key{'1', M}},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, X11Key{'z', C | S}},
        {QKeyCombination(Qt::Key_F9), X11Key{0xffc6, 0}},  // a function key alone is fine
        {Qt::SHIFT | Qt::Key_F12, X11Key{0xffc9, S}},
        {Qt::CTRL | Qt::Key_Space, X11Key{0x20, C}},
        {Qt::ALT | Qt::Key_PageDown, X11Key{0xff56, A}},
        {QKeyCombination(Qt::Key_K), std::nullopt},  // a bare letter would take it from every program
        {Qt::SHIFT | Qt::Key_K, std::nullopt},
        {Qt::CTRL | Qt::Key_Escape, std::nullopt},  // not offered
    };
    for (const auto& c : cases) EXPECT_EQ(x11KeyOf(c.key), c.x) << QKeySequence(c.key).toString().toStdString();
}

TEST(DesktopKeys, GnomeAccelerators) {
    EXPECT_EQ(gnomeAccelerator(Qt::CTRL | Qt::ALT | Qt::Key_K), "<Control><Alt>k");
    EXPECT_EQ(gnomeAccelerator(Qt::META | Qt::SHIFT | Qt::Key_F9), "<Shift><Super>F9");
    EXPECT_EQ(gnomeAccelerator(Qt::CTRL | Qt::Key_Space), "<Control>space");
    EXPECT_EQ(gnomeAccelerator(Qt::CTRL | Qt::Key_Escape), std::nullopt);
}

// Runs a tool; its output, or "FAILED" and its error output.
std::string tool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10000) || p.exitCode() != 0)
        return "FAILED " + p.readAllStandardError().toStdString() + p.errorString().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed().toStdString();
}

// The installed entry with old actions in: ours replace them, five at most,
// names quoted for Exec (a blank, a quote, a dollar, a percent), and the
// result is a valid desktop entry.
TEST(DesktopKeys, EntryActionsValidate) {
    QFile installed(KK_SOURCE_DIR "/dist/kakikae.desktop");
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
    const std::string base =
        installed.readAll().toStdString() + "Actions=old;\n\n[Desktop Action old]\nName=old\nExec=kakikae --old\n";
    std::vector<DesktopBinding> bindings{{"表を 整える", false, {}}, {"say \"$HOME\" 100%", true, {}}};
    for (int i = 0; i < 5; ++i) bindings.push_back({"r" + std::to_string(i), false, {}});
    const std::string entry = desktopEntryWithActions(base, "kakikae", bindings);
    EXPECT_EQ(entry.find("old"), std::string::npos) << entry;
    EXPECT_NE(entry.find("Actions=oneshot;run-1;run-2;run-3;run-4;run-5;\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("Exec=\"kakikae\" --run \"表を 整える\"\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("Exec=\"kakikae\" --run \"say \\\\\"\\\\$HOME\\\\\" 100%%\" --primary\n"),
              std::string::npos)
        << entry;
    EXPECT_EQ(entry.find("r3"), std::string::npos);  // the sixth and seventh are left out
    QTemporaryDir dir;
    QFile out(dir.filePath("kakikae.desktop"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(entry.data(), static_cast<qint64>(entry.size()));
    out.close();
    if (QStandardPaths::findExecutable("desktop-file-validate").isEmpty()) GTEST_SKIP() << "no desktop-file-validate";
    EXPECT_EQ(tool("desktop-file-validate", {out.fileName()}), "");
}

// Written into a keyfile settings backend of the test's own: the user's own
// binding stays, ours come in with their command and key.
TEST(DesktopKeys, GnomeBindingsWritten) {
    const char* schema = "org.gnome.settings-daemon.plugins.media-keys";
    if (tool("gsettings", {"list-schemas"}).find(schema) == std::string::npos) {
        if (qEnvironmentVariableIsSet("CI")) FAIL() << "GNOME's media-keys schema missing in CI";
        GTEST_SKIP() << "no GNOME media-keys schema";
    }
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    qputenv("GSETTINGS_BACKEND", "keyfile");
    const QString own = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/custom0/";
    ASSERT_EQ(tool("gsettings", {"set", schema, "custom-keybindings", "['" + own + "']"}), "");
    std::string why;
    ASSERT_TRUE(writeGnomeBindings({{"引用", false, Qt::CTRL | Qt::ALT | Qt::Key_K},
                                    {"it's", true, Qt::META | Qt::Key_F9}},
                                   &why))
        << why;
    // Again: ours are replaced, not added twice.
    ASSERT_TRUE(writeGnomeBindings({{"引用", false, Qt::CTRL | Qt::ALT | Qt::Key_K},
                                    {"it's", true, Qt::META | Qt::Key_F9}},
                                   &why))
        << why;
    const QString base = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
    EXPECT_EQ(tool("gsettings", {"get", schema, "custom-keybindings"}),
              "['" + own.toStdString() + "', '" + base.toStdString() + "kakikae0/', '" + base.toStdString() +
                  "kakikae1/']");
    const QString second = QString(schema) + ".custom-keybinding:" + base + "kakikae1/";
    EXPECT_EQ(tool("gsettings", {"get", second, "command"}), "\"kakikae --run 'it'\\\\''s' --primary\"");
    EXPECT_EQ(tool("gsettings", {"get", second, "binding"}), "'<Super>F9'");
    qunsetenv("GSETTINGS_BACKEND");
    qunsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace kk
