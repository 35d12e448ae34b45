// XGrabKey on the root window, once for each lock state (Caps Lock, Num Lock)
// so the key works whichever is on; the key presses come to our connection.
#include "platform/x11_hotkeys.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace kk {

namespace {

constexpr std::uint16_t kNumLock = XCB_MOD_MASK_2;
constexpr std::uint16_t kLockStates[] = {0, XCB_MOD_MASK_LOCK, kNumLock, XCB_MOD_MASK_LOCK | kNumLock};

xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootWindow(xcb_connection_t* c) {
    const xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    return it.rem ? it.data->root : xcb_window_t{XCB_WINDOW_NONE};
}

// The keycodes whose first keysym is `keysym` (the unshifted one: lower case for letters).
std::optional<std::uint8_t> keycodeOf(xcb_connection_t* c, std::uint32_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> map(
        xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, setup->min_keycode, static_cast<std::uint8_t>(count)),
                                       nullptr),
        &std::free);
    if (!map) return std::nullopt;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
    const int per = map->keysyms_per_keycode;
    for (int k = 0; k < count; ++k)
        for (int col = 0; col < std::min(per, 2); ++col)
            if (syms[k * per + col] == keysym) return static_cast<std::uint8_t>(setup->min_keycode + k);
    return std::nullopt;
}

}  // namespace

std::optional<X11Key> x11KeyOf(QKeyCombination key) {
    X11Key out;
    const Qt::KeyboardModifiers mods = key.keyboardModifiers();
    if (mods & Qt::ControlModifier) out.modifiers |= XCB_MOD_MASK_CONTROL;
    if (mods & Qt::ShiftModifier) out.modifiers |= XCB_MOD_MASK_SHIFT;
    if (mods & Qt::AltModifier) out.modifiers |= XCB_MOD_MASK_1;
    if (mods & Qt::MetaModifier) out.modifiers |= XCB_MOD_MASK_4;
    const int k = key.key();
    if (k >= Qt::Key_A && k <= Qt::Key_Z) out.keysym = 'a' + static_cast<std::uint32_t>(k - Qt::Key_A);
    else if (k >= Qt::Key_0 && k <= Qt::Key_9) out.keysym = '0' + static_cast<std::uint32_t>(k - Qt::Key_0);
    else if (k >= Qt::Key_F1 && k <= Qt::Key_F12) out.keysym = 0xffbe + static_cast<std::uint32_t>(k - Qt::Key_F1);
    else {
        static const struct {
            int qt;
            std::uint32_t keysym;
        } others[] = {{Qt::Key_Space, 0x20},     {Qt::Key_Insert, 0xff63}, {Qt::Key_Delete, 0xffff},
                      {Qt::Key_Home, 0xff50},    {Qt::Key_End, 0xff57},    {Qt::Key_PageUp, 0xff55},
                      {Qt::Key_PageDown, 0xff56}, {Qt::Key_Pause, 0xff13}};
        for (const auto& o : others)
            if (o.qt == k) out.keysym = o.keysym;
    }
    if (!out.keysym) return std::nullopt;
    // A bare letter or digit grabbed for the whole desktop would take it from every program.
    const bool plain = k < Qt::Key_F1 || k > Qt::Key_F12;
    if (plain && !(out.modifiers & (XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4))) return std::nullopt;
    return out;
}

bool X11HotKeys::available() { return connection() != nullptr; }

X11HotKeys::X11HotKeys(std::function<void(int)> activated) : activated_(std::move(activated)) {
    if (qGuiApp) qGuiApp->installNativeEventFilter(this);
}

X11HotKeys::~X11HotKeys() {
    releaseAll();
    if (qGuiApp) qGuiApp->removeNativeEventFilter(this);
}

void X11HotKeys::releaseAll() {
    xcb_connection_t* c = connection();
    if (!c) return;
    const xcb_window_t root = rootWindow(c);
    for (const Grab& g : grabs_) xcb_ungrab_key(c, g.keycode, root, g.modifiers);
    grabs_.clear();
    xcb_flush(c);
}

std::vector<bool> X11HotKeys::setKeys(const std::vector<QKeyCombination>& keys) {
    releaseAll();
    std::vector<bool> ours(keys.size(), false);
    xcb_connection_t* c = connection();
    if (!c) return ours;
    const xcb_window_t root = rootWindow(c);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const auto key = x11KeyOf(keys[i]);
        const auto code = key ? keycodeOf(c, key->keysym) : std::nullopt;
        if (!code) continue;
        bool all = true;
        std::vector<Grab> mine;
        for (const std::uint16_t lock : kLockStates) {
            const std::uint16_t mods = key->modifiers | lock;
            // Another program holding the key answers BadAccess.
            std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
                xcb_request_check(c, xcb_grab_key_checked(c, 1, root, mods, *code, XCB_GRAB_MODE_ASYNC,
                                                          XCB_GRAB_MODE_ASYNC)),
                &std::free);
            if (error) all = false;
            else mine.push_back({*code, mods, static_cast<int>(i)});
        }
        grabs_.insert(grabs_.end(), mine.begin(), mine.end());
        ours[i] = all;
    }
    xcb_flush(c);
    return ours;
}

bool X11HotKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS) return false;
    const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
    for (const Grab& g : grabs_) {
        if (g.keycode == press->detail && g.modifiers == (press->state & 0xff)) {
            if (activated_) activated_(g.index);
            return true;
        }
    }
    return false;
}

}  // namespace kk
