// One connection to the X server, and what every use of it starts with.
#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <vector>

namespace kk {

// A reply or event from xcb, which the caller frees.
template <class T>
using X11Reply = std::unique_ptr<T, decltype(&std::free)>;

// A connection to the X server kept for more than one exchange: the check
// that a display answers and the read after it cost one connection.
class X11Link {
public:
    // Null when no display answers.
    static std::unique_ptr<X11Link> open();
    ~X11Link();
    X11Link(const X11Link&) = delete;
    X11Link& operator=(const X11Link&) = delete;
    xcb_connection_t* connection() const { return c_; }
    const xcb_screen_t& screen() const { return *screen_; }
    // A window of our own for selection traffic (input only, never mapped),
    // reporting changes to its properties.
    xcb_window_t makeWindow() const;
    // After a fork that gave the connection to the copy: lets ours go
    // without ending theirs (the socket is shared, and a plain disconnect
    // shuts it down for both). Nothing may be sent on it afterwards.
    void handedOver();

private:
    X11Link() = default;
    xcb_connection_t* c_ = nullptr;
    const xcb_screen_t* screen_ = nullptr;
};

// Atoms by name in one round trip: every request goes out before the first
// reply is awaited. NONE for a name the server did not answer.
std::vector<xcb_atom_t> internAtoms(xcb_connection_t* c, std::initializer_list<const char*> names);

}  // namespace kk
