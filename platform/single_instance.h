// One window per user and display: a second start hands over to the running
// one through a local socket and ends.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace kk {

class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // The socket's name for this user and this session's display.
    static QString socketName();
    // Asks a running window to come forward; true when one answered.
    static bool askRunningToComeForward(const QString& name, int timeoutMs = 2000);

    explicit SingleInstance(QObject* parent = nullptr) : QObject(parent) {}
    // Listens for later starts; a socket left by a crashed run is taken over.
    bool listen(const QString& name);

signals:
    void comeForward();

private:
    QLocalServer* server_ = nullptr;
};

}  // namespace kk
