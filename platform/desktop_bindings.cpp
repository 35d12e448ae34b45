// Desktop entry actions by text, GNOME keybindings through the gsettings tool
// (the schemas are GNOME's; no library of theirs is linked).
#include "platform/desktop_bindings.h"
#include "platform/data_folder.h"

#include <QDir>
#include <QFile>
#include <QKeySequence>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace kk {

namespace {

constexpr std::size_t kMostActions = 5;

std::string shellQuoted(std::string_view s) {
    std::string out = "'";
    for (const char c : s) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

// An Exec argument: in double quotes, \ " ` $ escaped, then the file's own
// escaping doubles the backslashes; % is doubled for the field codes.
std::string execArgument(std::string_view s) {
    std::string quoted = "\"";
    for (const char c : s) {
        if (c == '\\' || c == '"' || c == '`' || c == '$') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    std::string out;
    for (const char c : quoted) {
        if (c == '\\') out += "\\\\";
        else if (c == '%') out += "%%";
        else out += c;
    }
    return out;
}

// A Name value on one line.
std::string oneLine(std::string_view s) {
    std::string out;
    for (const char c : s) out += c == '\n' || c == '\r' ? ' ' : c;
    return out;
}

}  // namespace

std::string bindingCommand(const DesktopBinding& b) {
    return "kakikae --run " + shellQuoted(b.name) + (b.primary ? " --primary" : "");
}

std::string desktopEntryWithActions(std::string_view base, const std::string& program,
                                    const std::vector<DesktopBinding>& bindings) {
    // The main group without its Actions line; the action groups after it go.
    std::string main;
    if (base.empty()) {
        main = "[Desktop Entry]\nType=Application\nName=kakikae\nExec=" + execArgument(program) +
               "\nIcon=kakikae\nTerminal=false\nCategories=Utility;TextTools;\n";
    } else {
        bool inMain = false;
        for (std::size_t at = 0; at < base.size();) {
            const std::size_t end = std::min(base.find('\n', at), base.size());
            const std::string_view line = base.substr(at, end - at);
            at = end + 1;
            if (line.starts_with("[")) inMain = line == "[Desktop Entry]";
            if (!inMain || line.starts_with("Actions=")) continue;
            main.append(line).append("\n");
        }
    }
    while (main.ends_with("\n\n")) main.pop_back();
    // The one-shot of the window's command line, then the named keys.
    const std::size_t n = std::min(bindings.size(), kMostActions);
    std::string actions = "Actions=oneshot;";
    std::string groups = "\n[Desktop Action oneshot]\nName=One-shot with the window's command\n"
                         "Name[ja]=コマンド欄のコマンドで一撃\nExec=" + execArgument(program) + " --run \"\"\n";
    for (std::size_t i = 0; i < n; ++i) {
        const std::string id = "run-" + std::to_string(i + 1);
        actions += id + ";";
        groups += "\n[Desktop Action " + id + "]\nName=" + oneLine(bindings[i].name) +
                  (bindings[i].primary ? " (選択範囲)" : "") + "\nExec=" + execArgument(program) + " --run " +
                  execArgument(bindings[i].name) + (bindings[i].primary ? " --primary" : "") + "\n";
    }
    return main + actions + "\n" + groups;
}

bool writeDesktopEntryActions(const std::vector<DesktopBinding>& bindings, std::string* why) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    const QString target = folder + "/kakikae.desktop";
    std::string installed;
    // Our own earlier copy is no base: the installed entry under it is.
    for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        if (dir == folder) continue;
        QFile f(dir + "/kakikae.desktop");
        if (f.open(QIODevice::ReadOnly)) {
            installed = f.readAll().toStdString();
            break;
        }
    }
    const std::string program = installed.empty() ? executableDirectory() + "/kakikae" : "kakikae";
    QDir().mkpath(folder);
    QSaveFile out(target);
    const std::string text = desktopEntryWithActions(installed, program, bindings);
    if (!out.open(QIODevice::WriteOnly) || out.write(text.data(), static_cast<qint64>(text.size())) < 0 ||
        !out.commit()) {
        if (why) *why = target.toStdString() + ": " + out.errorString().toStdString();
        return false;
    }
    return true;
}

std::optional<std::string> desktopKeyName(int k) {
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return std::string(1, static_cast<char>('a' + (k - Qt::Key_A)));
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return std::string(1, static_cast<char>('0' + (k - Qt::Key_0)));
    if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return "F" + std::to_string(k - Qt::Key_F1 + 1);
    if (k == Qt::Key_Space) return "space";
    return std::nullopt;
}

std::optional<std::string> gnomeAccelerator(QKeyCombination key) {
    const auto name = desktopKeyName(key.key());
    if (!name) return std::nullopt;
    std::string out;
    const Qt::KeyboardModifiers m = key.keyboardModifiers();
    if (m & Qt::ControlModifier) out += "<Control>";
    if (m & Qt::ShiftModifier) out += "<Shift>";
    if (m & Qt::AltModifier) out += "<Alt>";
    if (m & Qt::MetaModifier) out += "<Super>";
    return out + *name;
}

namespace {

constexpr char kMediaKeys[] = "org.gnome.settings-daemon.plugins.media-keys";
constexpr char kPathBase[] = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";

// Runs gsettings; its output, or nullopt with `why`.
std::optional<QString> gsettings(const QStringList& args, std::string* why) {
    QProcess p;
    p.start("gsettings", args);
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (why) {
            const QString err = QString::fromUtf8(p.readAllStandardError()).trimmed();
            *why = "gsettings: " + (err.isEmpty() ? p.errorString() : err).toStdString();
        }
        return std::nullopt;
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// "['/a/', '/b/']" or "@as []" → the paths.
QStringList pathList(const QString& value) {
    QStringList out;
    for (QString part : QString(value).remove("@as").remove('[').remove(']').split(',', Qt::SkipEmptyParts)) {
        part = part.trimmed();
        if (part.size() >= 2) out << part.mid(1, part.size() - 2);
    }
    return out;
}

}  // namespace

bool writeGnomeBindings(const std::vector<DesktopBinding>& bindings, std::string* why) {
    const auto current = gsettings({"get", kMediaKeys, "custom-keybindings"}, why);
    if (!current) return false;
    QStringList paths;
    for (const QString& p : pathList(*current))
        if (!p.startsWith(QString(kPathBase) + "kakikae")) paths << p;
    int n = 0;
    for (const auto& b : bindings) {
        const auto accel = gnomeAccelerator(b.key);
        if (!accel) continue;
        const QString path = QString(kPathBase) + "kakikae" + QString::number(n++) + "/";
        const QString schema = QString(kMediaKeys) + ".custom-keybinding:" + path;
        for (const auto& [key, value] : {std::pair<QString, std::string>{"name", "kakikae: " + b.name},
                                         {"command", bindingCommand(b)},
                                         {"binding", *accel}}) {
            if (!gsettings({"set", schema, key, QString::fromStdString(value)}, why)) return false;
        }
        paths << path;
    }
    QStringList quoted;
    for (const QString& p : paths) quoted << "'" + p + "'";
    return gsettings({"set", kMediaKeys, "custom-keybindings", "[" + quoted.join(", ") + "]"}, why).has_value();
}

}  // namespace kk
