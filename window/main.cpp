// kakikae: the window over the shared model, with the real platform services.
#include "window/main_window.h"
#include "kakikae_version.h"
#include "platform/clipboard_keeper.h"
#include "platform/data_folder.h"
#include "platform/user_paths.h"
#include "platform/file_store.h"
#include "platform/qt_clipboard.h"
#include "platform/x11_clipboard.h"
#include "platform/qt_desktop.h"
#include "platform/qt_process_runner.h"
#include "platform/qt_prompt.h"
#include "platform/qt_task_runner.h"
#include "platform/single_instance.h"
#include "platform/wl_clipboard.h"
#include "texts/texts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTimer>
#include <QTranslator>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

namespace {

// SIGTERM / SIGINT / SIGHUP end the event loop like the menu's quit, so the
// clipboard hand-over below still runs (a session ending, kill from a
// terminal) and a running filter's folder and process group go with the
// process runner.
int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &c, 1);
}

void quitOnSignals(QApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QApplication::quit(); });
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) std::signal(sig, onSignal);
}

const char* kUsage = R"(usage: kakikae [--new-window]
       kakikae --run NAME [--primary]

Takes the clipboard's text into a working text box, runs one command over it
(s///, tr///, m// or a shell filter) and copies the result back. A second
start brings the running window forward and loads the clipboard into it.

  --new-window   open another window instead
  --run NAME     for a desktop key: run the recipe NAME, or the favourite whose
                 【comment】 or command is NAME, on the clipboard and copy the
                 result back, without a window; the running window does it if
                 there is one, else kakikae-cli; a notification tells the result
  --primary      with --run: read the text last selected (PRIMARY) instead
  --help, --version
(kakikae-cli is the same core without the window.)
)";

// A run by name for a desktop key: the running window takes it (no second
// process stays alive); without one, or where it cannot read the clipboard
// now, the command-line tool runs it, which needs no window.
int runByName(int argc, char** argv, const std::string& name, bool primary) {
    {
        QCoreApplication app(argc, argv);
        if (kk::SingleInstance::askRunningToRun(kk::SingleInstance::socketName(), QString::fromStdString(name), primary))
            return 0;
    }
    const std::string cli = kk::InstallLayout::locate(kk::executableDirectory()).commandLineTool();
    const char* args[] = {cli.c_str(), primary ? "--primary" : "--clipboard", "--notify", "--run", name.c_str(), nullptr};
    ::execv(cli.c_str(), const_cast<char* const*>(args));
    std::cerr << "kakikae: cannot start " << cli << ": " << std::strerror(errno) << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before Qt starts, so they work without a display.
    bool newWindow = false, primary = false;
    std::optional<std::string> runName;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::cout << kUsage;
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::cout << "kakikae " << KAKIKAE_VERSION << "\n";
            return 0;
        }
        if (!std::strcmp(argv[i], "--new-window")) newWindow = true;
        if (!std::strcmp(argv[i], "--primary")) primary = true;
        if (!std::strcmp(argv[i], "--run")) {
            if (i + 1 == argc) {
                std::cerr << "kakikae: --run needs a NAME (see --help)\n";
                return 2;
            }
            runName = argv[++i];
        } else if (!std::strncmp(argv[i], "--run=", 6)) {
            runName = argv[i] + 6;
        }
    }
    if (primary && !runName) {
        std::cerr << "kakikae: --primary goes with --run (see --help)\n";
        return 2;
    }
    if (runName) return runByName(argc, argv, *runName, primary);
    QApplication app(argc, argv);
    // Qt has taken its own options (-platform, -style ...); anything left is ours or wrong.
    for (const QString& a : QApplication::arguments().mid(1)) {
        if (a == "--new-window") continue;
        std::cerr << "kakikae: unknown argument " << a.toStdString() << " (see --help)\n";
        return 2;
    }
    const QString instanceName = kk::SingleInstance::socketName();
    if (!newWindow && kk::SingleInstance::askRunningToComeForward(instanceName)) return 0;
    QApplication::setApplicationName("kakikae");
    QApplication::setOrganizationName("kakikae");  // the window's one setting: ~/.config/kakikae/kakikae.conf
    quitOnSignals(app);
    // Qt's own texts (the text box's context menu, the message boxes' buttons)
    // in Japanese like the rest of the window.
    auto* qtTexts = new QTranslator(&app);
    if (qtTexts->load(QLocale(QLocale::Japanese), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qtTexts);
    // The classic Japanese Gothic names map to what this desktop has.
    QFont::insertSubstitutions(QString::fromUtf8("ＭＳ ゴシック"),
                               {"IPAGothic", "Noto Sans Mono CJK JP", "VL Gothic", "Monospace"});
    QFont::insertSubstitutions(QString::fromUtf8("ＭＳ Ｐゴシック"),
                               {"IPAPGothic", "Noto Sans CJK JP", "VL PGothic", "Sans Serif"});
    // The geometry is laid out for a 9-point Japanese UI font.
    QFont uiFont(QString::fromUtf8("ＭＳ Ｐゴシック"));
    uiFont.setPointSizeF(9);
    QApplication::setFont(uiFont);

    const kk::InstallLayout layout = kk::InstallLayout::locate(kk::executableDirectory());
    kk::QtClipboard clipboard;
    kk::LocalFileStore files;
    kk::QtPrompt prompt(kk::names::kAppTitle);
    kk::QtDesktop desktop;
    kk::QtProcessRunner processes;
    kk::QtTaskRunner tasks;
    kk::Services services{
        clipboard,       files, prompt, desktop, processes, tasks, kk::DataFolder::locate(layout.executableDir),
        layout.helperDir};
    services.docDirectory = layout.docDir;
    services.homePage = KAKIKAE_HOMEPAGE;
    services.filterFolder = kk::homeFolder();
    kk::EditorState state(services);
    kk::MainWindow window(state);
    prompt.setParent(&window);
    kk::SingleInstance instance;
    if (!newWindow) {
        instance.listen(instanceName);
        QObject::connect(&instance, &kk::SingleInstance::comeForward, &window, &kk::MainWindow::bringForward);
        instance.setRunHandler([&window](const QString& what, bool selection) { return window.runShortcut(what, selection); });
    }
    window.Form_Load();
    window.show();
    // For timing start-up from outside: quit once the clipboard's text is in
    // the box (its first slice shown) and the loop is idle.
    QTimer ready;
    if (qEnvironmentVariableIsSet("KAKIKAE_QUIT_WHEN_READY")) {
        QObject::connect(&ready, &QTimer::timeout, &app, [&] {
            if (!state.busy()) QApplication::quit();
        });
        // Looked at every few ms: a timer at 0 would spin this thread
        // against the worker and the X server it is timing.
        ready.start(2);
    }
    const int rc = app.exec();
    // A worker still running (a big load, a preview) works for the model:
    // it is stopped and waited for before the model goes.
    state.cancel();
    state.cancelPreview();
    tasks.shutdown();

    // Our copy-back would vanish with us: hand it to a holder first (on
    // Wayland wl-copy, which serves it on; on X11 our own keeper).
    std::string text;
    if (kk::ownsClipboardText(&text)) {
        if (QGuiApplication::platformName().startsWith("wayland")) kk::WlClipboard().writeText(text);
        else kk::handClipboardToHolder(kk::keeperProgram(layout.helperDir, layout.commandLineTool()), text);
    }
    return rc;
}
