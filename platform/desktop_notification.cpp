// One Notify call, synchronous: the caller is about to exit and the message
// must be out before it does.
#include "platform/desktop_notification.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QStringList>
#include <QVariantMap>

#include <memory>

namespace kk {

bool notifyDesktop(const std::string& summary, const std::string& body, bool error) {
    // Qt's bus connection needs an application object; a failure found before
    // the caller made one still gets its notification.
    std::unique_ptr<QCoreApplication> own;
    static int argc = 1;
    static char name[] = "kakikae-cli";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) own = std::make_unique<QCoreApplication>(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusInterface notifications(QStringLiteral("org.freedesktop.Notifications"),
                                 QStringLiteral("/org/freedesktop/Notifications"),
                                 QStringLiteral("org.freedesktop.Notifications"), bus);
    if (!notifications.isValid()) return false;
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(error ? 2 : 1));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("kakikae"));
    notifications.setTimeout(3000);
    const QDBusReply<uint> reply = notifications.call(
        QStringLiteral("Notify"), QStringLiteral("kakikae"), 0u, QStringLiteral("kakikae"),
        QString::fromStdString(summary), QString::fromStdString(body), QStringList(), hints, -1);
    return reply.isValid();
}

}  // namespace kk
