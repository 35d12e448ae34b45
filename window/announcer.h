// What a screen reader says when an operation ends: a notification beside
// the status line, made anew for each outcome, which a reader speaks as it
// shows without the focus moving. It takes no room on screen.
#pragma once

#include <QLabel>
#include <QPointer>

namespace kk {

// One outcome's notification (its own class for its accessible role).
class Notification final : public QLabel {
    Q_OBJECT
public:
    Notification(const QString& text, QWidget* parent);
};

class Announcer final : public QWidget {
    Q_OBJECT
public:
    explicit Announcer(QWidget* parent);
    void announce(const QString& text);

private:
    static constexpr int kDelayMs = 150;
    QPointer<Notification> current_;
};

}  // namespace kk
