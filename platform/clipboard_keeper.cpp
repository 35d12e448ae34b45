// Holder hand-over with fork/exec and two pipes (text in, "ok" back).
#include "platform/clipboard_keeper.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <iterator>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kk {

bool ownsClipboardText(std::string* text) {
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb || !cb->ownsClipboard()) return false;
    if (text) *text = cb->text(QClipboard::Clipboard).toStdString();
    return true;
}

bool handClipboardToHolder(const std::string& holderExecutable, const std::string& text) {
    int in[2], ready[2];
    if (::pipe(in) != 0) return false;
    if (::pipe(ready) != 0) { ::close(in[0]); ::close(in[1]); return false; }
    const pid_t pid = ::fork();
    if (pid < 0) return false;
    if (pid == 0) {
        ::setsid();
        // A second fork so the holder is nobody's child to reap.
        if (::fork() != 0) ::_exit(0);
        ::dup2(in[0], 0);
        ::dup2(ready[1], 1);
        ::close(in[0]); ::close(in[1]); ::close(ready[0]); ::close(ready[1]);
        const int devnull = ::open("/dev/null", O_WRONLY);
        if (devnull >= 0) ::dup2(devnull, 2);
        ::execl(holderExecutable.c_str(), holderExecutable.c_str(), "--hold-clipboard", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(ready[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::signal(SIGPIPE, SIG_IGN);
    const char* p = text.data();
    std::size_t left = text.size();
    bool ok = true;
    while (left > 0) {
        const ssize_t n = ::write(in[1], p, left);
        if (n <= 0) { ok = false; break; }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    ::close(in[1]);
    char reply[4] = {};
    if (ok) {
        pollfd pfd{ready[0], POLLIN, 0};
        ok = ::poll(&pfd, 1, 10000) > 0 && ::read(ready[0], reply, 2) == 2 && reply[0] == 'o' && reply[1] == 'k';
    }
    ::close(ready[0]);
    return ok;
}

int runClipboardHolder(int argc, char** argv) {
    std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    QGuiApplication app(argc, argv);
    QClipboard* cb = QGuiApplication::clipboard();
    cb->setText(QString::fromStdString(text), QClipboard::Clipboard);
    QObject::connect(cb, &QClipboard::changed, &app, [cb](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && !cb->ownsClipboard()) QCoreApplication::quit();
    });
    // Say we hold it once the event loop runs (the set has reached the server).
    QTimer::singleShot(0, [] {
        std::fwrite("ok", 1, 2, stdout);
        std::fflush(stdout);
        std::freopen("/dev/null", "w", stdout);
    });
    return app.exec();
}

}  // namespace kk
