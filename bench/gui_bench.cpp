// The window's own times over a big text: Form_Load + first paint, and from
// pressing the run button to the result shown in the text box (the command
// runs off the UI thread, the result is set into the widget on it).
// Usage: kk_gui_bench TEXT_FILE COMMAND [RUNS]; prints one line per measure.
// TEXT_FILE "-" takes the clipboard another program holds.
// kk_gui_bench TEXT_FILE --type COMMAND: the preview on, the command typed a
// key every 80 ms; the event loop's longest pause while typing, and the time
// from the last key to the highlighted preview.
#include "window/main_window.h"
#include "platform/file_store.h"
#include "platform/qt_clipboard.h"
#include "platform/qt_process_runner.h"
#include "platform/qt_task_runner.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <fstream>
#include <string>
#include <cstdio>
#include <iostream>
#include <vector>

namespace {

class QuietPrompt final : public kk::Prompt {
public:
    Answer ask(const std::string& text, const std::string&, Icon, Buttons) override {
        std::cerr << text << "\n";
        return Answer::Ok;
    }
};

class NoDesktop final : public kk::Desktop {
public:
    bool openPath(const std::string&) override { return false; }
    bool openUrl(const std::string&) override { return false; }
    bool startProgram(const std::string&, const std::vector<std::string>&) override { return false; }
};

// The event loop's longest pause: a 5 ms timer notes the gap between its ticks.
struct PauseProbe {
    QElapsedTimer tick;
    double longest = 0;
    QTimer timer;
    PauseProbe() {
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            longest = std::max(longest, static_cast<double>(tick.nsecsElapsed()) / 1e6);
            tick.restart();
        });
    }
    void start() {
        tick.start();
        timer.start();
    }
    void stop() { timer.stop(); }
};

// The process's resident memory now, for the lines below.
std::string resident() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:")) return line.substr(6);
    return "?";
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        std::cerr << "usage: kk_gui_bench TEXT_FILE COMMAND [RUNS]\n";
        return 2;
    }
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;

    QTemporaryDir dir;
    kk::QtClipboard clipboard;  // the platform's own (offscreen: in this process)
    // TEXT_FILE "-": the clipboard as another program holds it (under X11,
    // as on a desktop), so this process holds only its own copies.
    if (std::string(argv[1]) != "-") {
        // Read once and let go, so the peak memory is the program's own.
        const auto text = kk::readWholeFile(argv[1]);
        if (!text) {
            std::cerr << "cannot read " << argv[1] << "\n";
            return 2;
        }
        clipboard.writeText(*text);
    }
    kk::LocalFileStore files;
    QuietPrompt prompt;
    NoDesktop desktop;
    kk::QtProcessRunner processes;
    kk::QtTaskRunner tasks;
    kk::EditorState state(kk::Services{clipboard, files, prompt, desktop, processes, tasks,
                                       kk::DataFolder(dir.path().toStdString()), ""});
    kk::MainWindow window(state);

    // Until the model is idle and the text box holds all of its text.
    auto idle = [&] {
        QApplication::processEvents();
        while (state.busy() || window.fillingText()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    std::printf("resident before the load: %s\n", resident().c_str());
    QElapsedTimer t;
    t.start();
    window.Form_Load();
    window.show();
    idle();
    std::printf("load-and-show %.0f ms\n", static_cast<double>(t.nsecsElapsed()) / 1e6);
    std::printf("resident after the load: %s\n", resident().c_str());

    if (std::string(argv[2]) == "--type" && argc > 3) {
        QAction* preview = window.menuAction("MenuPreview");
        preview->setChecked(true);
        auto* box = static_cast<QComboBox*>(window.control("myRegstrBox"));
        auto* text = static_cast<QPlainTextEdit*>(window.control("myTextBox"));
        box->setEditText("");
        PauseProbe probe;
        probe.start();
        const QString command = QString::fromUtf8(argv[3]);
        for (int k = 1; k <= command.size(); ++k) {
            box->setEditText(command.left(k));  // as a key typed into the box
            QElapsedTimer wait;
            wait.start();
            while (wait.elapsed() < 80) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        QElapsedTimer shown;
        shown.start();
        while (text->extraSelections().isEmpty() && shown.elapsed() < 20000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        const double toPreview = static_cast<double>(shown.nsecsElapsed()) / 1e6 + 0;
        while (window.fillingText()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        probe.stop();
        std::printf("typing %lld characters with the preview on: longest event-loop pause %.0f ms\n",
                    static_cast<long long>(command.size()), probe.longest);
        std::printf("last key to highlighted preview %.0f ms (the 150 ms wait after the last key included)\n",
                    toPreview + 80);
        preview->setChecked(false);
        return 0;
    }

    // The event loop's longest pause while a run goes on.
    PauseProbe probe;
    std::vector<double> times, filled;
    for (int i = 0; i < runs; ++i) {
        window.clipKakunin_Click();  // the same text each run
        idle();
        state.setCommandLineFromView(argv[2]);
        QEventLoop loop;
        t.restart();
        probe.start();
        state.run([&](const kk::Outcome&) { loop.quit(); });
        if (state.busy()) loop.exec();
        QApplication::processEvents();  // the widget has its first slice and has laid it out
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        while (window.fillingText()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        filled.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        probe.stop();
        if (!state.lastOutcome().ok()) {
            std::cerr << "run failed: " << state.status() << "\n";
            return 1;
        }
    }
    std::printf("run-to-shown %.0f ms (median of %d)\n", median(times), runs);
    std::printf("run-to-filled %.0f ms (the whole text in the box, editable)\n", median(filled));
    std::printf("longest event-loop pause during the runs and the filling %.0f ms\n", probe.longest);
    // What the session holds after the runs (undo levels within their budget).
    std::printf("resident after %d runs: %s\n", runs, resident().c_str());
    // The clipboard crossings: only the hand-over happens on the UI thread.
    probe.longest = 0;
    probe.start();
    t.restart();
    window.clipKakunin_Click();
    idle();
    std::printf("load from the clipboard %.0f ms\n", static_cast<double>(t.nsecsElapsed()) / 1e6);
    t.restart();
    window.ClipTenso_Click();
    idle();
    std::printf("copy back to the clipboard %.0f ms\n", static_cast<double>(t.nsecsElapsed()) / 1e6);
    probe.stop();
    std::printf("longest event-loop pause during the load and the copy-back %.0f ms\n", probe.longest);
    return 0;
}
