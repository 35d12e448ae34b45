// The notification role comes from an accessible interface of our own: a
// label is static text to a screen reader, which it does not speak unasked.
#include "app/announcer.h"

#include <QAccessibleWidget>

namespace kk {

namespace {

class AnnouncerAccessible final : public QAccessibleWidget {
public:
    explicit AnnouncerAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Notification) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name || t == QAccessible::Description)
            return static_cast<QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* announcerFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("kk::Announcer") && object && object->isWidgetType())
        return new AnnouncerAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

}  // namespace

Announcer::Announcer(QWidget* parent) : QLabel(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(announcerFactory);
        return true;
    }();
    (void)installed;
    setObjectName("announcer");
    setFixedSize(0, 0);
}

void Announcer::announce(const QString& text) {
    if (text.isEmpty()) return;
    setText(text);
    // Hidden and shown again: each outcome is a new showing, said even when
    // it reads as the one before.
    hide();
    show();
}

}  // namespace kk
