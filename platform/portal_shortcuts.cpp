// org.freedesktop.portal.GlobalShortcuts over Qt D-Bus: every call answers
// with a Request object whose Response signal carries the result; we listen
// for Responses before calling and match them by the path the call returns.
#include "platform/portal_shortcuts.h"
#include "platform/desktop_bindings.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>

namespace {

constexpr char kService[] = "org.freedesktop.portal.Desktop";
constexpr char kPath[] = "/org/freedesktop/portal/desktop";
constexpr char kInterface[] = "org.freedesktop.portal.GlobalShortcuts";

// One shortcut as BindShortcuts takes it: (id, {description, preferred_trigger}).
struct ShortcutSpec {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& a, const ShortcutSpec& s) {
    a.beginStructure();
    a << s.id << s.properties;
    a.endStructure();
    return a;
}

const QDBusArgument& operator>>(const QDBusArgument& a, ShortcutSpec& s) {
    a.beginStructure();
    a >> s.id >> s.properties;
    a.endStructure();
    return a;
}

}  // namespace

Q_DECLARE_METATYPE(ShortcutSpec)

namespace kk {

std::optional<QString> portalTrigger(QKeyCombination key) {
    const auto name = desktopKeyName(key.key());
    if (!name) return std::nullopt;
    QString out;
    const Qt::KeyboardModifiers m = key.keyboardModifiers();
    if (m & Qt::ControlModifier) out += "CTRL+";
    if (m & Qt::ShiftModifier) out += "SHIFT+";
    if (m & Qt::AltModifier) out += "ALT+";
    if (m & Qt::MetaModifier) out += "LOGO+";
    return out + QString::fromStdString(*name);
}

bool PortalShortcuts::available() {
    QDBusInterface properties(kService, kPath, "org.freedesktop.DBus.Properties", QDBusConnection::sessionBus());
    if (!properties.isValid()) return false;
    const QDBusReply<QDBusVariant> version = properties.call("Get", QString(kInterface), QStringLiteral("version"));
    return version.isValid();
}

class PortalShortcuts::Session final : public QObject {
    Q_OBJECT
public:
    explicit Session(std::function<void(const QString&)> activated);
    void bind(std::vector<Shortcut> shortcuts, std::function<void(bool, const std::string&)> done);

private slots:
    void onResponse(const QDBusMessage& message);
    void onActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                     const QVariantMap& options);

private:
    // Calls a portal method that answers through a Request's Response; `then` gets its results.
    void request(const QString& method, QList<QVariant> args, std::function<void(uint, const QVariantMap&)> then);
    std::function<void(const QString&)> activated_;
    QString session_;
    int tokens_ = 0;
    std::vector<std::pair<QString, std::function<void(uint, const QVariantMap&)>>> waiting_;  // request path, then
};

PortalShortcuts::Session::Session(std::function<void(const QString&)> activated) : activated_(std::move(activated)) {
    qDBusRegisterMetaType<ShortcutSpec>();
    qDBusRegisterMetaType<QList<ShortcutSpec>>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    // Any Request's Response (the path is known only once a call returns).
    bus.connect(kService, QString(), "org.freedesktop.portal.Request", "Response", this,
                SLOT(onResponse(QDBusMessage)));
    bus.connect(kService, kPath, kInterface, "Activated", this,
                SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

void PortalShortcuts::Session::request(const QString& method, QList<QVariant> args,
                              std::function<void(uint, const QVariantMap&)> then) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    call.setArguments(args);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        then(2, {{"error", reply.errorMessage()}});
        return;
    }
    waiting_.emplace_back(qvariant_cast<QDBusObjectPath>(reply.arguments().first()).path(), std::move(then));
}

void PortalShortcuts::Session::onResponse(const QDBusMessage& message) {
    const QString path = message.path();
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
        if (it->first != path) continue;
        auto then = std::move(it->second);
        waiting_.erase(it);
        const QList<QVariant> args = message.arguments();
        QVariantMap results;
        if (args.size() > 1) qvariant_cast<QDBusArgument>(args[1]) >> results;
        then(args.isEmpty() ? 2u : args[0].toUInt(), results);
        return;
    }
}

void PortalShortcuts::Session::onActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                                  const QVariantMap&) {
    if (session.path() == session_ && activated_) activated_(id);
}

void PortalShortcuts::Session::bind(std::vector<Shortcut> shortcuts, std::function<void(bool, const std::string&)> done) {
    auto bindNow = [this, shortcuts = std::move(shortcuts), done] {
        QList<ShortcutSpec> specs;
        for (const Shortcut& s : shortcuts) {
            QVariantMap properties{{"description", s.description}};
            if (const auto trigger = portalTrigger(s.key)) properties["preferred_trigger"] = *trigger;
            specs.push_back({s.id, properties});
        }
        const QVariantMap options{{"handle_token", QStringLiteral("kakikae%1").arg(++tokens_)}};
        request("BindShortcuts",
                {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(specs), QString(), options},
                [done](uint response, const QVariantMap& results) {
                    done(response == 0, response == 0 ? std::string() : results.value("error").toString().toStdString());
                });
    };
    if (!session_.isEmpty()) return bindNow();
    const QVariantMap options{{"handle_token", QStringLiteral("kakikae%1").arg(++tokens_)},
                              {"session_handle_token", QStringLiteral("kakikae")}};
    request("CreateSession", {options}, [this, bindNow, done](uint response, const QVariantMap& results) {
        if (response != 0) return done(false, results.value("error").toString().toStdString());
        // The session comes as a string in some versions, an object path in others.
        const QVariant handle = results.value("session_handle");
        session_ = handle.canConvert<QDBusObjectPath>() ? qvariant_cast<QDBusObjectPath>(handle).path()
                                                         : handle.toString();
        bindNow();
    });
}

PortalShortcuts::PortalShortcuts(std::function<void(const QString&)> activated)
    : session_(std::make_unique<Session>(std::move(activated))) {}

PortalShortcuts::~PortalShortcuts() = default;

void PortalShortcuts::bind(std::vector<Shortcut> shortcuts, std::function<void(bool, const std::string&)> done) {
    session_->bind(std::move(shortcuts), std::move(done));
}

}  // namespace kk

#include "portal_shortcuts.moc"
