#include "platform/x11_link.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace kk {

std::unique_ptr<X11Link> X11Link::open() {
    std::unique_ptr<X11Link> link(new X11Link());
    int screenNumber = 0;
    link->c_ = xcb_connect(nullptr, &screenNumber);
    if (!link->c_ || xcb_connection_has_error(link->c_)) return nullptr;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(link->c_));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    if (!it.rem) return nullptr;
    link->screen_ = it.data;
    return link;
}

X11Link::~X11Link() {
    if (c_) xcb_disconnect(c_);
}

void X11Link::handedOver() {
    if (!c_) return;
    // Our descriptor is pointed at a spare socket first, so the shutdown in
    // the disconnect ends only that one.
    int spare[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, spare) != 0) {
        c_ = nullptr;  // no safe way to close it: it goes with the process
        return;
    }
    ::dup3(spare[0], xcb_get_file_descriptor(c_), O_CLOEXEC);
    ::close(spare[0]);
    ::close(spare[1]);
    xcb_disconnect(c_);
    c_ = nullptr;
}

xcb_window_t X11Link::makeWindow() const {
    const xcb_window_t w = xcb_generate_id(c_);
    const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, w, screen_->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      screen_->root_visual, XCB_CW_EVENT_MASK, &events);
    return w;
}

std::vector<xcb_atom_t> internAtoms(xcb_connection_t* c, std::initializer_list<const char*> names) {
    std::vector<xcb_intern_atom_cookie_t> cookies;
    cookies.reserve(names.size());
    for (const char* name : names)
        cookies.push_back(xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name));
    std::vector<xcb_atom_t> atoms;
    atoms.reserve(names.size());
    for (const auto cookie : cookies) {
        X11Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
        atoms.push_back(r ? r->atom : xcb_atom_t{XCB_ATOM_NONE});
    }
    return atoms;
}

}  // namespace kk
