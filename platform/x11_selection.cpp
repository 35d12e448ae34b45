// ConvertSelection into a property of our own window, then the property read
// in slices; the INCR protocol for texts the owner sends in parts.
#include "platform/x11_selection.h"
#include "core/big_buffer.h"
#include "core/text_codec.h"
#include "texts/texts.h"

#include <xcb/xcb.h>

#include <poll.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace kk {

namespace {

// The window an event is about, for the two kinds a read waits for.
xcb_window_t windowOf(const xcb_generic_event_t* e) {
    switch (e->response_type & 0x7F) {
        case XCB_SELECTION_NOTIFY: return reinterpret_cast<const xcb_selection_notify_event_t*>(e)->requestor;
        case XCB_PROPERTY_NOTIFY: return reinterpret_cast<const xcb_property_notify_event_t*>(e)->window;
        default: return XCB_WINDOW_NONE;
    }
}

// The next event of `type` (masked) for window `w`, waiting until the
// deadline. On a kept connection an answer meant for an earlier read's
// window may still come: it is passed over.
X11Reply<xcb_generic_event_t> waitFor(xcb_connection_t* c, std::uint8_t type, xcb_window_t w,
                                   std::chrono::steady_clock::time_point deadline) {
    while (true) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            if ((e->response_type & 0x7F) == type && windowOf(e) == w) return {e, &std::free};
            std::free(e);
        }
        if (xcb_connection_has_error(c)) return {nullptr, &std::free};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) return {nullptr, &std::free};
        pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&pfd, 1, static_cast<int>(left));
    }
}

// Appends the whole property to `out` and deletes it; false on an error.
bool takeProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, std::string& out, xcb_atom_t* type) {
    std::uint32_t offset = 0;  // in 32-bit units
    while (true) {
        const auto cookie = xcb_get_property(c, 0, w, property, XCB_GET_PROPERTY_TYPE_ANY, offset, 1u << 22);
        X11Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(c, cookie, nullptr), &std::free);
        if (!r) return false;
        if (type) *type = r->type;
        const int length = xcb_get_property_value_length(r.get());
        // An owner may announce no size for a text in parts (xclip does not).
        growText(out, static_cast<std::size_t>(length));
        out.append(static_cast<const char*>(xcb_get_property_value(r.get())), static_cast<std::size_t>(length));
        offset += static_cast<std::uint32_t>(length) / 4;
        if (r->bytes_after == 0) break;
    }
    xcb_delete_property(c, w, property);
    xcb_flush(c);
    return true;
}

}  // namespace

X11Read readX11ClipboardText(int timeoutMs, bool primary, X11Link* kept) {
    using Status = X11Read::Status;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_ptr<X11Link> own;
    if (!kept) own = X11Link::open();
    X11Link* link = kept ? kept : own.get();
    if (!link) return {};
    xcb_connection_t* c = link->connection();
    const xcb_window_t w = link->makeWindow();
    // The window goes with the read: a kept connection may read again.
    struct Gone {
        xcb_connection_t* c;
        xcb_window_t w;
        ~Gone() {
            xcb_destroy_window(c, w);
            xcb_flush(c);
        }
    } gone{c, w};
    const auto atoms =
        internAtoms(c, {"CLIPBOARD", "UTF8_STRING", "INCR", "KAKIKAE_SELECTION", "TARGETS", "text/plain;charset=utf-8"});
    const xcb_atom_t clipboard = primary ? xcb_atom_t{XCB_ATOM_PRIMARY} : atoms[0], utf8 = atoms[1], incr = atoms[2],
                     property = atoms[3], targetsAtom = atoms[4], plainUtf8 = atoms[5];
    auto isText = [&](xcb_atom_t type) { return type == utf8 || type == plainUtf8 || type == XCB_ATOM_STRING; };
    // Asks the owner for `target` in our property: nullopt when it did not
    // answer in time, else whether it gave it.
    auto ask = [&](xcb_atom_t target) -> std::optional<bool> {
        xcb_convert_selection(c, w, clipboard, target, property, XCB_CURRENT_TIME);
        xcb_flush(c);
        auto e = waitFor(c, XCB_SELECTION_NOTIFY, w, deadline);
        if (!e) return std::nullopt;
        return reinterpret_cast<const xcb_selection_notify_event_t*>(e.get())->property != XCB_ATOM_NONE;
    };
    // The property the owner gave: its text, or NoText for anything else.
    // Some owners (xclip) send their one format whatever was asked, under
    // that format's type: an image is never read as text.
    auto takeGiven = [&]() -> X11Read {
        std::string data;
        xcb_atom_t type = XCB_ATOM_NONE;
        if (!takeProperty(c, w, property, data, &type)) return {Status::Silent, {}};
        if (type == incr) {
            // In parts: each new value of the property is the next part, an
            // empty one the end. The INCR value is the owner's lower bound of
            // the size: the room for it is taken at once, so the text lands
            // in one buffer with no copy as it grows.
            std::uint32_t bound = 0;
            if (data.size() >= sizeof bound) std::memcpy(&bound, data.data(), sizeof bound);
            data.clear();
            reserveText(data, std::min<std::size_t>(bound, std::size_t{1} << 31) + (std::size_t{1} << 20));
            type = XCB_ATOM_NONE;
            while (true) {
                // The limit is on each part: a big text may take longer in all,
                // an owner that stops sending may not.
                auto p = waitFor(c, XCB_PROPERTY_NOTIFY, w,
                                 std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs));
                if (!p) return {Status::Silent, {}};
                const auto* pn = reinterpret_cast<const xcb_property_notify_event_t*>(p.get());
                if (pn->atom != property || pn->state != XCB_PROPERTY_NEW_VALUE) continue;
                const std::size_t before = data.size();
                xcb_atom_t partType = XCB_ATOM_NONE;
                if (!takeProperty(c, w, property, data, &partType)) return {Status::Silent, {}};
                if (data.size() == before) break;
                // Something else sent in parts ends at its first part.
                if (!isText(partType)) return {Status::NoText, {}};
                type = partType;
            }
        }
        // STRING is Latin-1, where every byte is a character.
        if (type == XCB_ATOM_STRING) {
            auto text = decodeCharset(data, "ISO-8859-1");
            return text ? X11Read{Status::Text, std::move(*text)} : X11Read{Status::NoText, {}};
        }
        if (!isText(type)) return {Status::NoText, {}};
        return {Status::Text, std::move(data)};
    };
    // UTF8_STRING straight away, as nearly every owner has it: one exchange
    // with the owner. Only one that refuses it is asked what it has.
    const auto gaveUtf8 = ask(utf8);
    if (!gaveUtf8) return {Status::Silent, {}};
    if (*gaveUtf8) return takeGiven();
    std::vector<xcb_atom_t> wanted = {xcb_atom_t{XCB_ATOM_STRING}};
    {
        const auto given = ask(targetsAtom);
        if (!given) return {Status::Silent, {}};
        std::string list;
        xcb_atom_t type = XCB_ATOM_NONE;
        if (*given && takeProperty(c, w, property, list, &type) && type == XCB_ATOM_ATOM) {
            std::vector<xcb_atom_t> offered(list.size() / sizeof(xcb_atom_t));
            std::memcpy(offered.data(), list.data(), offered.size() * sizeof(xcb_atom_t));
            wanted.clear();
            for (const xcb_atom_t t : {plainUtf8, xcb_atom_t{XCB_ATOM_STRING}})
                if (std::find(offered.begin(), offered.end(), t) != offered.end()) wanted.push_back(t);
        }
    }
    for (const xcb_atom_t target : wanted) {
        const auto given = ask(target);
        if (!given) return {Status::Silent, {}};
        if (*given) return takeGiven();  // else the owner has no such target (or no owner)
    }
    return {Status::NoText, {}};
}

std::string readX11TextOrThrow(int timeoutMs, bool primary, bool& holdsText, X11Link* link) {
    X11Read read = readX11ClipboardText(timeoutMs, primary, link);
    switch (read.status) {
        case X11Read::Status::Text: holdsText = true; return std::move(read.text);
        case X11Read::Status::NoText: holdsText = false; return std::string();
        case X11Read::Status::Silent: throw std::runtime_error(texts::text(texts::Msg::ClipboardOwnerSilent));
        case X11Read::Status::NoDisplay: break;
    }
    throw std::runtime_error(texts::text(texts::Msg::ClipboardUnreadable));
}

}  // namespace kk
