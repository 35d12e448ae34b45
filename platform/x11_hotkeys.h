// Keys that work anywhere on an X11 desktop while the window runs: grabbed on
// the root window over the application's own X connection. Wayland gives no
// program that power; there the desktop's own settings bind a command.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QKeyCombination>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kk {

// A key as X names it: the keysym and the modifier mask.
struct X11Key {
    std::uint32_t keysym = 0;
    std::uint16_t modifiers = 0;
    bool operator==(const X11Key&) const = default;
};
// The keys a global shortcut may use: letters, digits, F1–F12, Space, Insert,
// Delete, Home, End, Page Up/Down, Pause with any of Ctrl, Shift, Alt, Meta;
// nullopt for any other.
std::optional<X11Key> x11KeyOf(QKeyCombination key);

class X11HotKeys final : public QAbstractNativeEventFilter {
public:
    // Whether this session is X11 (Qt on xcb), where keys can be grabbed.
    static bool available();
    explicit X11HotKeys(std::function<void(int index)> activated);
    ~X11HotKeys() override;
    X11HotKeys(const X11HotKeys&) = delete;
    X11HotKeys& operator=(const X11HotKeys&) = delete;
    // Grabs these keys in place of the ones before; for each, whether it is
    // ours (false: a key no global shortcut may use, or another program
    // holds it).
    std::vector<bool> setKeys(const std::vector<QKeyCombination>& keys);
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Grab {
        std::uint8_t keycode = 0;
        std::uint16_t modifiers = 0;
        int index = 0;
    };
    void releaseAll();
    std::function<void(int)> activated_;
    std::vector<Grab> grabs_;
};

}  // namespace kk
