// Which keys a global shortcut may use, and how X names them.
#include "platform/x11_hotkeys.h"

#include <QKeySequence>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

namespace kk {
namespace {

TEST(X11Keys, FromQtKeys) {
    constexpr std::uint16_t C = XCB_MOD_MASK_CONTROL, S = XCB_MOD_MASK_SHIFT, A = XCB_MOD_MASK_1, M = XCB_MOD_MASK_4;
    struct {
        QKeyCombination key;
        std::optional<X11Key> x;
    } cases[] = {
        {Qt::CTRL | Qt::ALT | Qt::Key_K, X11Key{'k', C | A}},
        {Qt::META | Qt::Key_1, X11Key{'1', M}},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, X11Key{'z', C | S}},
        {QKeyCombination(Qt::Key_F9), X11Key{0xffc6, 0}},  // a function key alone is fine
        {Qt::SHIFT | Qt::Key_F12, X11Key{0xffc9, S}},
        {Qt::CTRL | Qt::Key_Space, X11Key{0x20, C}},
        {Qt::ALT | Qt::Key_PageDown, X11Key{0xff56, A}},
        {QKeyCombination(Qt::Key_K), std::nullopt},  // a bare letter would take it from every program
        {Qt::SHIFT | Qt::Key_K, std::nullopt},
        {Qt::CTRL | Qt::Key_Escape, std::nullopt},  // not offered
    };
    for (const auto& c : cases) EXPECT_EQ(x11KeyOf(c.key), c.x) << QKeySequence(c.key).toString().toStdString();
}

}  // namespace
}  // namespace kk
