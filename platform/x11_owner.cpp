// The selection owner's side of the ICCCM: answer each SelectionRequest by
// writing the requestor's property and sending SelectionNotify; texts past
// one request go as INCR, a part per deletion of the property.
#include "platform/x11_owner.h"

#include "core/text_codec.h"
#include "platform/x11_link.h"

#include <xcb/xcb.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

namespace kk {

namespace {

// The text as Latin-1 bytes, when every character is one (for STRING).
std::optional<std::string> asLatin1(std::string_view utf8) {
    if (!isValidUtf8(utf8)) return std::nullopt;
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = nextCodePoint(utf8, i);
        if (cp > 0xFF) return std::nullopt;
        out.push_back(static_cast<char>(cp));
    }
    return out;
}

// Parts of an INCR transfer; toolkits use about this size.
constexpr std::size_t kPart = 256 * 1024;

}  // namespace

struct X11ClipboardOwner::Impl {
    std::unique_ptr<X11Link> link;
    xcb_connection_t* c = nullptr;
    xcb_window_t window = 0;
    xcb_timestamp_t time = 0;
    int wake[2] = {-1, -1};  // a byte here ends the thread
    struct Atoms {
        xcb_atom_t clipboard, targets, timestamp, utf8, textPlainUtf8, incr, stamp;
    } a{};
    std::optional<std::optional<std::string>> latin1;  // made at the first ask
    struct Transfer {
        xcb_atom_t type;
        std::string_view data;
        std::size_t sent = 0;
    };
    std::map<std::pair<xcb_window_t, xcb_atom_t>, Transfer> transfers;

    ~Impl() {
        for (const int fd : wake)
            if (fd >= 0) ::close(fd);
    }

    void put(xcb_window_t w, xcb_atom_t property, xcb_atom_t type, int format, std::string_view data) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, static_cast<std::uint8_t>(format),
                            static_cast<std::uint32_t>(data.size() * 8 / static_cast<std::size_t>(format)),
                            data.data());
    }

    // Whether the server has our window as the clipboard's owner (a round trip).
    bool ownerIsUs() const {
        X11Reply<xcb_get_selection_owner_reply_t> o(
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, a.clipboard), nullptr), &std::free);
        return o && o->owner == window;
    }

    void notify(const xcb_selection_request_event_t* r, xcb_atom_t property) {
        xcb_selection_notify_event_t n{};
        n.response_type = XCB_SELECTION_NOTIFY;
        n.time = r->time;
        n.requestor = r->requestor;
        n.selection = r->selection;
        n.target = r->target;
        n.property = property;
        xcb_send_event(c, 0, r->requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&n));
    }

    // Writes one target into the requestor's property; false when we have no such target.
    bool answer(xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property, const std::string& bytes) {
        if (!latin1) latin1 = asLatin1(bytes);
        if (target == a.targets) {
            std::vector<xcb_atom_t> list{a.targets, a.timestamp, a.utf8, a.textPlainUtf8};
            if (*latin1) list.push_back(XCB_ATOM_STRING);
            put(requestor, property, XCB_ATOM_ATOM, 32,
                std::string_view(reinterpret_cast<const char*>(list.data()), list.size() * sizeof(xcb_atom_t)));
            return true;
        }
        if (target == a.timestamp) {
            put(requestor, property, XCB_ATOM_INTEGER, 32,
                std::string_view(reinterpret_cast<const char*>(&time), sizeof time));
            return true;
        }
        std::string_view data;
        xcb_atom_t type;
        if (target == a.utf8 || target == a.textPlainUtf8) {
            data = bytes;
            type = target;
        } else if (target == XCB_ATOM_STRING && *latin1) {
            data = **latin1;
            type = XCB_ATOM_STRING;
        } else {
            return false;
        }
        if (data.size() <= kPart) {
            put(requestor, property, type, 8, data);
            return true;
        }
        // In parts: the requestor deletes the property for each next one.
        const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(c, requestor, XCB_CW_EVENT_MASK, &events);
        const std::uint32_t size = static_cast<std::uint32_t>(std::min<std::size_t>(data.size(), UINT32_MAX));
        put(requestor, property, a.incr, 32, std::string_view(reinterpret_cast<const char*>(&size), sizeof size));
        transfers[{requestor, property}] = Transfer{type, data, 0};
        return true;
    }

    void request(const xcb_selection_request_event_t* r, const std::string& bytes) {
        // An old client may name no property: the target's name is the property then.
        const xcb_atom_t property = r->property == XCB_ATOM_NONE ? r->target : r->property;
        const bool tooEarly = r->time != XCB_CURRENT_TIME && r->time < time;
        const bool ok = !tooEarly && r->selection == a.clipboard && answer(r->requestor, r->target, property, bytes);
        notify(r, ok ? property : xcb_atom_t{XCB_ATOM_NONE});
        xcb_flush(c);
    }

    void propertyDeleted(const xcb_property_notify_event_t* p) {
        auto it = transfers.find({p->window, p->atom});
        if (it == transfers.end() || p->state != XCB_PROPERTY_DELETE) return;
        Transfer& t = it->second;
        const std::string_view part = t.data.substr(t.sent, kPart);
        put(p->window, p->atom, t.type, 8, part);  // the last, empty part ends it
        t.sent += part.size();
        if (part.empty()) {
            const std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
            xcb_change_window_attributes(c, p->window, XCB_CW_EVENT_MASK, &none);
            transfers.erase(it);
        }
        xcb_flush(c);
    }
};

std::unique_ptr<X11ClipboardOwner> X11ClipboardOwner::prepare() { return prepare(X11Link::open()); }

std::unique_ptr<X11ClipboardOwner> X11ClipboardOwner::prepare(std::unique_ptr<X11Link> link) {
    if (!link) return nullptr;
    std::unique_ptr<X11ClipboardOwner> owner(new X11ClipboardOwner());
    owner->impl_ = std::make_unique<Impl>();
    Impl& m = *owner->impl_;
    m.link = std::move(link);
    m.c = m.link->connection();
    const auto atoms = internAtoms(m.c, {"CLIPBOARD", "TARGETS", "TIMESTAMP", "UTF8_STRING",
                                         "text/plain;charset=utf-8", "INCR", "KAKIKAE_TIMESTAMP"});
    m.a = {atoms[0], atoms[1], atoms[2], atoms[3], atoms[4], atoms[5], atoms[6]};
    m.window = m.link->makeWindow();
    xcb_flush(m.c);
    return owner;
}

std::uint32_t X11ClipboardOwner::time() const { return impl_ ? impl_->time : 0; }

bool X11ClipboardOwner::own(std::string bytes, std::uint32_t since) {
    Impl& m = *impl_;
    bytes_ = std::move(bytes);
    // Taking over at the time the owner before us took it: the server
    // ignores that if anybody took the clipboard after it, so a keeper that
    // comes late never puts an older text back over a newer one.
    m.time = since;
    // Else a real timestamp, taken now rather than when we got ready: the
    // server's time of a change to our own window (an empty append).
    if (!m.time) {
        xcb_change_property(m.c, XCB_PROP_MODE_APPEND, m.window, m.a.stamp, XCB_ATOM_STRING, 8, 0, "");
        xcb_flush(m.c);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!m.time) {
        xcb_generic_event_t* e = xcb_poll_for_event(m.c);
        if (!e) {
            if (xcb_connection_has_error(m.c) || std::chrono::steady_clock::now() > deadline) return false;
            pollfd pfd{xcb_get_file_descriptor(m.c), POLLIN, 0};
            ::poll(&pfd, 1, 100);
            continue;
        }
        if ((e->response_type & 0x7F) == XCB_PROPERTY_NOTIFY)
            m.time = reinterpret_cast<xcb_property_notify_event_t*>(e)->time;
        std::free(e);
    }
    xcb_set_selection_owner(m.c, m.window, m.a.clipboard, m.time);
    if (!m.ownerIsUs()) return false;
    if (::pipe2(m.wake, O_CLOEXEC) != 0) return false;
    owns_ = true;
    thread_ = std::thread([this] { serve(); });
    return true;
}

std::unique_ptr<X11ClipboardOwner> X11ClipboardOwner::take(std::string bytes) {
    auto owner = prepare();
    return owner && owner->own(std::move(bytes)) ? std::move(owner) : nullptr;
}

void X11ClipboardOwner::serve() {
    Impl& m = *impl_;
    // A text going out in parts when another program takes the clipboard
    // (the keeper taking over from us, say) still gets its remaining parts:
    // its reader would wait for them forever. A reader that stops asking
    // for them is given up after a while.
    constexpr auto kPartWait = std::chrono::seconds(5);
    auto lastPart = std::chrono::steady_clock::now();
    while (true) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(m.c)) {
            switch (e->response_type & 0x7F) {
                case XCB_SELECTION_REQUEST: {
                    const auto* r = reinterpret_cast<xcb_selection_request_event_t*>(e);
                    if (owns_) {
                        m.request(r, bytes_);
                    } else {
                        m.notify(r, XCB_ATOM_NONE);
                        xcb_flush(m.c);
                    }
                    break;
                }
                case XCB_SELECTION_CLEAR: owns_ = false; break;
                case XCB_PROPERTY_NOTIFY:
                    m.propertyDeleted(reinterpret_cast<xcb_property_notify_event_t*>(e));
                    lastPart = std::chrono::steady_clock::now();
                    break;
                default: break;
            }
            std::free(e);
        }
        if (xcb_connection_has_error(m.c)) break;
        if (!owns_ && (m.transfers.empty() || std::chrono::steady_clock::now() - lastPart > kPartWait)) break;
        pollfd fds[2] = {{xcb_get_file_descriptor(m.c), POLLIN, 0}, {m.wake[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, 1000);
        if (fds[1].revents) break;
        if (ready == 0 && owns_) {
            // Now and then ask who owns it: we never serve on past our text.
            if (!m.ownerIsUs()) owns_ = false;
        }
    }
    owns_ = false;
}

void X11ClipboardOwner::waitUntilLost() {
    if (thread_.joinable()) thread_.join();
}

X11ClipboardOwner::~X11ClipboardOwner() {
    if (impl_ && impl_->wake[1] >= 0 && thread_.joinable()) {
        const char b = 0;
        [[maybe_unused]] const auto n = ::write(impl_->wake[1], &b, 1);
    }
    if (thread_.joinable()) thread_.join();
}

namespace {

std::mutex ownerMutex;
std::unique_ptr<X11ClipboardOwner> currentOwner;

}  // namespace

bool setX11ClipboardText(std::string bytes) {
    auto owner = X11ClipboardOwner::take(std::move(bytes));
    std::lock_guard lock(ownerMutex);
    currentOwner = std::move(owner);  // the one before has lost the clipboard to it
    return currentOwner != nullptr;
}

bool ownsX11ClipboardText(std::string* text) {
    std::lock_guard lock(ownerMutex);
    if (!currentOwner || !currentOwner->owns()) return false;
    if (text) *text = currentOwner->text();
    return true;
}

}  // namespace kk
