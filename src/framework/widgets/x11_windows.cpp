// Other processes' windows on an X11 display, read with libxcb.
#include "framework/widgets/x11_windows.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace tessaly::framework::x11 {

namespace {

struct Atoms {
    xcb_atom_t netWmName = XCB_ATOM_NONE;
    xcb_atom_t utf8String = XCB_ATOM_NONE;
    xcb_atom_t netWmPid = XCB_ATOM_NONE;
    xcb_atom_t wmState = XCB_ATOM_NONE;
    xcb_atom_t netClientListStacking = XCB_ATOM_NONE;
};

struct Display {
    std::string name;
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
    Atoms atoms;
};

std::mutex displayLock;

xcb_atom_t intern(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// The connection to the display DISPLAY names now, or null. Called under displayLock.
Display* current() {
    static Display display;
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return nullptr;
    if (display.connection &&
        (display.name != name || xcb_connection_has_error(display.connection))) {
        xcb_disconnect(display.connection);
        display.connection = nullptr;
    }
    if (!display.connection) {
        int screenNumber = 0;
        xcb_connection_t* c = xcb_connect(name, &screenNumber);
        if (xcb_connection_has_error(c)) {
            xcb_disconnect(c);
            return nullptr;
        }
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
        for (int i = 0; i < screenNumber && it.rem; ++i)
            xcb_screen_next(&it);
        if (!it.rem) {
            xcb_disconnect(c);
            return nullptr;
        }
        display.connection = c;
        display.name = name;
        display.root = it.data->root;
        display.atoms.netWmName = intern(c, "_NET_WM_NAME");
        display.atoms.utf8String = intern(c, "UTF8_STRING");
        display.atoms.netWmPid = intern(c, "_NET_WM_PID");
        display.atoms.wmState = intern(c, "WM_STATE");
        display.atoms.netClientListStacking = intern(c, "_NET_CLIENT_LIST_STACKING");
    }
    return &display;
}

struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
using PropertyReply = std::unique_ptr<xcb_get_property_reply_t, FreeReply>;

PropertyReply property(Display& d, Window window, xcb_atom_t name, xcb_atom_t type) {
    if (name == XCB_ATOM_NONE) return nullptr;
    PropertyReply reply(xcb_get_property_reply(
        d.connection, xcb_get_property(d.connection, 0, window, name, type, 0, 1 << 16), nullptr));
    if (reply && reply->type == XCB_ATOM_NONE) reply.reset();
    return reply;
}

std::string propertyText(Display& d, Window window, xcb_atom_t name, xcb_atom_t type) {
    PropertyReply reply = property(d, window, name, type);
    if (!reply || reply->format != 8) return {};
    const char* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return std::string(data, static_cast<size_t>(xcb_get_property_value_length(reply.get())));
}

std::unique_ptr<xcb_get_window_attributes_reply_t, FreeReply> attributesOf(Display& d,
                                                                           Window window) {
    return std::unique_ptr<xcb_get_window_attributes_reply_t, FreeReply>(
        xcb_get_window_attributes_reply(d.connection,
                                        xcb_get_window_attributes(d.connection, window), nullptr));
}

std::vector<Window> children(Display& d, Window window) {
    std::vector<Window> result;
    std::unique_ptr<xcb_query_tree_reply_t, FreeReply> tree(
        xcb_query_tree_reply(d.connection, xcb_query_tree(d.connection, window), nullptr));
    if (!tree) return result;
    const xcb_window_t* list = xcb_query_tree_children(tree.get());
    result.assign(list, list + xcb_query_tree_children_length(tree.get()));
    return result;
}

bool hasProperty(Display& d, Window window, xcb_atom_t name) {
    return property(d, window, name, XCB_GET_PROPERTY_TYPE_ANY) != nullptr;
}

// Programs name their windows' class; the toolkits' helper windows (selection owners,
// client leaders) carry none.
bool isApplicationWindow(Display& d, Window window) {
    return hasProperty(d, window, XCB_ATOM_WM_CLASS);
}

// The client window inside a window manager's frame: the first descendant with WM_STATE.
Window clientOf(Display& d, Window frame, int depth) {
    if (depth > 3) return 0;
    for (Window child : children(d, frame)) {
        if (hasProperty(d, child, d.atoms.wmState)) return child;
        if (Window inner = clientOf(d, child, depth + 1)) return inner;
    }
    return 0;
}

} // namespace

bool Available() {
    std::lock_guard lock(displayLock);
    return current() != nullptr;
}

std::vector<Window> TopLevelWindows() {
    std::lock_guard lock(displayLock);
    std::vector<Window> result;
    Display* d = current();
    if (!d) return result;
    // A window manager keeps the list of its clients, bottom to top.
    if (PropertyReply list = property(*d, d->root, d->atoms.netClientListStacking, XCB_ATOM_WINDOW);
        list && list->format == 32) {
        const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(list.get()));
        result.assign(ids, ids + xcb_get_property_value_length(list.get()) / 4);
        std::reverse(result.begin(), result.end());
        return result;
    }
    std::vector<Window> stack = children(*d, d->root); // bottom to top
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        if (isApplicationWindow(*d, *it))
            result.push_back(*it);
        else if (Window client = clientOf(*d, *it, 0))
            result.push_back(client);
    }
    return result;
}

std::vector<Window> Children(Window window) {
    std::lock_guard lock(displayLock);
    Display* d = current();
    return d ? children(*d, window) : std::vector<Window>();
}

bool Exists(Window window) {
    std::lock_guard lock(displayLock);
    Display* d = current();
    return d && window && attributesOf(*d, window) != nullptr;
}

std::string ClassName(Window window) {
    std::lock_guard lock(displayLock);
    Display* d = current();
    if (!d) return {};
    const std::string value = propertyText(*d, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
    // "instance\0class\0": the class is the second string.
    const size_t end = value.find('\0');
    if (end == std::string::npos) return {};
    std::string className = value.substr(end + 1);
    if (const size_t zero = className.find('\0'); zero != std::string::npos) className.resize(zero);
    return className;
}

std::string Title(Window window) {
    std::lock_guard lock(displayLock);
    Display* d = current();
    if (!d) return {};
    if (hasProperty(*d, window, d->atoms.netWmName))
        return propertyText(*d, window, d->atoms.netWmName, d->atoms.utf8String);
    return propertyText(*d, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY);
}

std::uint32_t ProcessId(Window window) {
    std::lock_guard lock(displayLock);
    Display* d = current();
    if (!d) return 0;
    // Only top-level windows carry the process id: a child window takes its top's.
    for (int depth = 0; window && window != d->root && depth < 64; ++depth) {
        PropertyReply reply = property(*d, window, d->atoms.netWmPid, XCB_ATOM_CARDINAL);
        if (reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) >= 4)
            return *static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
        std::unique_ptr<xcb_query_tree_reply_t, FreeReply> tree(
            xcb_query_tree_reply(d->connection, xcb_query_tree(d->connection, window), nullptr));
        window = tree ? tree->parent : 0;
    }
    return 0;
}

bool SetClass(Window window, const std::string& instance, const std::string& className) {
    std::lock_guard lock(displayLock);
    Display* d = current();
    if (!d || !window) return false;
    std::string value = instance;
    value.push_back('\0');
    value += className;
    value.push_back('\0');
    xcb_change_property(d->connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS,
                        XCB_ATOM_STRING, 8, static_cast<uint32_t>(value.size()), value.data());
    // A round trip, so the property is set before anyone is told the window exists.
    std::free(
        xcb_get_input_focus_reply(d->connection, xcb_get_input_focus(d->connection), nullptr));
    return true;
}

bool IsViewable(Window window) {
    std::lock_guard lock(displayLock);
    Display* d = current();
    if (!d || !window) return false;
    const auto attributes = attributesOf(*d, window);
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

bool Withdraw(Window window) {
    std::lock_guard lock(displayLock);
    Display* d = current();
    if (!d || !window) return false;
    xcb_unmap_window(d->connection, window);
    // A synthetic UnmapNotify to the root, so a window manager withdraws it too.
    xcb_unmap_notify_event_t event{};
    event.response_type = XCB_UNMAP_NOTIFY;
    event.event = d->root;
    event.window = window;
    xcb_send_event(d->connection, 0, d->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    std::free(
        xcb_get_input_focus_reply(d->connection, xcb_get_input_focus(d->connection), nullptr));
    return true;
}

} // namespace tessaly::framework::x11
