// Global keys through the desktop's GlobalShortcuts portal (Wayland, and X11
// desktops that offer it): the desktop owns the keys and may ask the user;
// we create a session, ask for our shortcuts with their preferred keys, and
// hear Activated while the window runs.
#pragma once

#include <QKeyCombination>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kk {

// The name the portal's key format gives a key: "CTRL+ALT+k"; nullopt for one it cannot name.
std::optional<QString> portalTrigger(QKeyCombination key);

class PortalShortcuts final {
public:
    struct Shortcut {
        QString id;           // ours, stable: what Activated names
        QString description;  // what the desktop shows
        QKeyCombination key;  // the preferred key; the desktop may choose another
    };
    // Whether the session bus has a portal that offers GlobalShortcuts.
    static bool available();
    // `activated`: a shortcut's id when its key is pressed.
    explicit PortalShortcuts(std::function<void(const QString& id)> activated);
    ~PortalShortcuts();
    PortalShortcuts(const PortalShortcuts&) = delete;
    PortalShortcuts& operator=(const PortalShortcuts&) = delete;
    // Binds these shortcuts (a session is made the first time); `done` hears
    // whether the desktop took them, and why not.
    void bind(std::vector<Shortcut> shortcuts, std::function<void(bool ok, const std::string& why)> done);

private:
    class Session;  // the bus side, apart so this header needs no Qt D-Bus
    std::unique_ptr<Session> session_;
};

}  // namespace kk
