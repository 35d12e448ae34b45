// The notification role comes from an accessible interface of our own: a
// label is static text to a screen reader, which it does not speak unasked.
// Each outcome gets a new object: a reader keeps the names it has read, and
// would say an old one again for an object it knows.
#include "window/announcer.h"

#include <QAccessibleWidget>
#include <QTimer>

namespace kk {

namespace {

class NotificationAccessible final : public QAccessibleWidget {
public:
    explicit NotificationAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Notification) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return static_cast<QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* notificationFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("kk::Notification") && object && object->isWidgetType())
        return new NotificationAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

}  // namespace

Notification::Notification(const QString& text, QWidget* parent) : QLabel(text, parent) {
    static const bool installed = [] {
        QAccessible::installFactory(notificationFactory);
        return true;
    }();
    (void)installed;
    setObjectName("notification");
    setFixedSize(0, 0);
}

Announcer::Announcer(QWidget* parent) : QWidget(parent) {
    setObjectName("announcer");
    setFixedSize(0, 0);
}

void Announcer::announce(const QString& text) {
    if (text.isEmpty()) return;
    // A moment later: an outcome that ends as a menu closes would show
    // while the menu is still the active window, and a reader says nothing
    // of a window that is not active.
    QTimer::singleShot(kDelayMs, this, [this, text] {
        if (current_) current_->deleteLater();
        current_ = new Notification(text, this);
        current_->show();
    });
}

}  // namespace kk
