// A line "forward" each way: the later start asks, the running window answers "ok".
#include "platform/single_instance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include "platform/user_paths.h"

#include <sys/socket.h>
#include <unistd.h>

namespace kk {

namespace {
constexpr char kAsk[] = "forward\n";
constexpr char kAnswer[] = "ok\n";
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
    socket.write(kAsk);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(timeoutMs)) return false;
    return socket.readLine() == kAnswer;
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
                if (socket->readLine() != kAsk) return socket->disconnectFromServer();
                socket->write(kAnswer);
                socket->flush();
                emit comeForward();
            });
        }
    });
    return true;
}

}  // namespace kk
