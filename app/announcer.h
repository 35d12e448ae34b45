// What a screen reader says when an operation ends: a notification beside
// the status line, shown anew with each outcome, which a reader speaks as it
// shows without the focus moving. It takes no room on screen.
#pragma once

#include <QLabel>

namespace kk {

class Announcer final : public QLabel {
    Q_OBJECT
public:
    explicit Announcer(QWidget* parent);
    void announce(const QString& text);
};

}  // namespace kk
