#include "platform/GameWindow.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

namespace platform {
namespace {

struct Connection {
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;

    Connection()
    {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display)
            return;
        int screenNumber = 0;
        connection = xcb_connect(display, &screenNumber);
        if (xcb_connection_has_error(connection)) {
            xcb_disconnect(connection);
            connection = nullptr;
            return;
        }
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
            xcb_screen_next(&screens);
        if (screens.rem > 0)
            root = screens.data->root;
    }
    ~Connection()
    {
        if (connection)
            xcb_disconnect(connection);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    bool Usable() const { return connection && root; }

    xcb_atom_t Atom(std::string_view name) const
    {
        const xcb_intern_atom_cookie_t cookie =
            xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.data());
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
        return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    }

    // A property of 32-bit values; nullopt-like empty when the window lacks it.
    std::vector<uint32_t> Cardinals(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) const
    {
        if (property == XCB_ATOM_NONE)
            return {};
        const xcb_get_property_cookie_t cookie = xcb_get_property(connection, 0, window, property, type, 0, 4096);
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(connection, cookie, nullptr), &std::free);
        if (!reply || reply->format != 32)
            return {};
        const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
        const int count = xcb_get_property_value_length(reply.get()) / 4;
        return std::vector<uint32_t>(values, values + count);
    }

    std::vector<DisplayWindow> TopLevel() const
    {
        std::vector<uint32_t> ids = Cardinals(root, Atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW);
        if (ids.empty()) {
            std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
                xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr), &std::free);
            if (tree) {
                const xcb_window_t* children = xcb_query_tree_children(tree.get());
                ids.assign(children, children + xcb_query_tree_children_length(tree.get()));
            }
        }
        const xcb_atom_t pid = Atom("_NET_WM_PID");
        std::vector<DisplayWindow> windows;
        for (const uint32_t id : ids) {
            const std::vector<uint32_t> process = Cardinals(id, pid, XCB_ATOM_CARDINAL);
            windows.push_back({id, process.empty() ? -1 : static_cast<ProcessId>(process.front())});
        }
        return windows;
    }
};

} // namespace

std::vector<DisplayWindow> TopLevelWindows()
{
    const Connection display;
    return display.Usable() ? display.TopLevel() : std::vector<DisplayWindow>{};
}

bool RaiseWindowsOf(const std::vector<ProcessId>& processes)
{
    const Connection display;
    if (!display.Usable() || processes.empty())
        return false;
    const xcb_atom_t activate = display.Atom("_NET_ACTIVE_WINDOW");
    bool found = false;
    for (const DisplayWindow& window : display.TopLevel()) {
        if (std::find(processes.begin(), processes.end(), window.process) == processes.end())
            continue;
        found = true;
        // A window manager decides itself what comes to the front; a request from a "pager"
        // (source 2) is one it honours without the focus-stealing checks an application's faces.
        xcb_client_message_event_t message;
        std::memset(&message, 0, sizeof message);
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window.id;
        message.type = activate;
        message.data.data32[0] = 2;
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(display.connection, 0, display.root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        // Without a window manager the request goes unanswered: the window is restacked directly.
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(display.connection, window.id, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    }
    // A round trip: the requests have reached the server when the connection closes.
    std::free(xcb_get_input_focus_reply(display.connection, xcb_get_input_focus(display.connection), nullptr));
    return found;
}

} // namespace platform
