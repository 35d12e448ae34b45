// One window per user and display: a second start hands over to the running
// one through a local socket and ends.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

namespace kk {

class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // The socket's name for this user and this session's display.
    static QString socketName();
    // Asks a running window to come forward; true when one answered.
    static bool askRunningToComeForward(const QString& name, int timeoutMs = 2000);
    // Asks a running window to run a favourite or recipe on the clipboard
    // (the selection with `primary`) without showing itself; true when it
    // took the run (it tells the outcome as a desktop notification).
    static bool askRunningToRun(const QString& name, const QString& what, bool primary, int timeoutMs = 2000);
    // Whether this window takes a run asked for by name (it may not: on
    // Wayland a window without the focus cannot read the clipboard).
    using RunHandler = std::function<bool(const QString& what, bool primary)>;
    void setRunHandler(RunHandler handler) { runHandler_ = std::move(handler); }

    explicit SingleInstance(QObject* parent = nullptr) : QObject(parent) {}
    // Listens for later starts; a socket left by a crashed run is taken over.
    bool listen(const QString& name);

signals:
    void comeForward();

private:
    QLocalServer* server_ = nullptr;
    RunHandler runHandler_;
};

}  // namespace kk
