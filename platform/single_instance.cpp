// A line each way: the later start asks ("forward", or "run" with the source
// and a name), the running window answers "ok" (or "no" to a run it cannot take).
#include "platform/single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include "platform/user_paths.h"

#include <sys/socket.h>
#include <unistd.h>

namespace kk {

namespace {
constexpr char kAsk[] = "forward\n";
constexpr char kRun[] = "run\t";  // then "clipboard" or "primary", a tab, the name, a line end
constexpr char kAnswer[] = "ok\n";
constexpr char kNo[] = "no\n";

// Sends one line to the running window of this user; true when it answered "ok".
bool ask(const QString& name, const QByteArray& line, int timeoutMs) {
    if (name.isEmpty()) return false;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs)) return false;
    // Only a window of our own user is trusted to answer.
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 ||
        peer.uid != ::getuid())
        return false;
    socket.write(line);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(timeoutMs)) return false;
    return socket.readLine() == kAnswer;
}
}  // namespace

QString SingleInstance::socketName() {
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty()) display = qEnvironmentVariable("DISPLAY");
    for (QChar& c : display)
        if (!c.isLetterOrNumber()) c = '_';
    // In the user's own runtime folder: in the shared temporary folder another
    // user could bind the name first and answer for us.
    const auto folder = runtimeFolder();
    if (!folder) return {};
    return QString::fromStdString(*folder) + QStringLiteral("/kakikae-window-%1").arg(display);
}

bool SingleInstance::askRunningToComeForward(const QString& name, int timeoutMs) {
    return ask(name, kAsk, timeoutMs);
}

bool SingleInstance::askRunningToRun(const QString& name, const QString& what, bool primary, int timeoutMs) {
    QString oneLine = what;
    oneLine.replace('\n', ' ');
    return ask(name, kRun + QByteArray(primary ? "primary\t" : "clipboard\t") + oneLine.toUtf8() + "\n", timeoutMs);
}

bool SingleInstance::listen(const QString& name) {
    if (name.isEmpty()) return false;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name)) {
        // Nobody answered on it (the caller asked first): a crashed run's socket.
        QLocalServer::removeServer(name);
        if (!server_->listen(name)) return false;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) return;
                const QByteArray line = socket->readLine();
                if (line == kAsk) {
                    socket->write(kAnswer);
                    socket->flush();
                    emit comeForward();
                    return;
                }
                const QByteArray body = line.chopped(1).mid(sizeof kRun - 1);
                if (const qsizetype tab = body.indexOf('\t'); line.startsWith(kRun) && tab > 0) {
                    const bool taken = runHandler_ && runHandler_(QString::fromUtf8(body.mid(tab + 1)),
                                                                  body.left(tab) == "primary");
                    socket->write(taken ? kAnswer : kNo);
                    socket->flush();
                    return;
                }
                socket->disconnectFromServer();
            });
        }
    });
    return true;
}

}  // namespace kk
