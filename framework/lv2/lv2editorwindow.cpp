#include "lv2/lv2editorwindow.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <xcb/xcb.h>

namespace Steinberg
{
namespace Vst
{
namespace
{

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};

std::uint16_t extent(int size)
{
    return static_cast<std::uint16_t>(std::clamp(size, 1, 32767));
}

} // namespace

void Lv2EditorWindow::ConnectionCloser::operator()(xcb_connection_t* c) const
{
    xcb_disconnect(c);
}

std::unique_ptr<Lv2EditorWindow> Lv2EditorWindow::create(std::uintptr_t parent, int width,
                                                         int height)
{
    if (parent == 0 || parent > UINT32_MAX)
        return nullptr;
    std::unique_ptr<Lv2EditorWindow> result(new (std::nothrow) Lv2EditorWindow);
    if (!result)
        return nullptr;
    result->connection.reset(xcb_connect(nullptr, nullptr));
    xcb_connection_t* c = result->connection.get();
    if (xcb_connection_has_error(c))
        return nullptr;

    // A parent that is no window would only show up as an asynchronous
    // error: ask first.
    const auto parentWindow = static_cast<xcb_window_t>(parent);
    std::unique_ptr<xcb_get_geometry_reply_t, FreeDeleter> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, parentWindow), nullptr));
    if (!geometry)
        return nullptr;

    result->window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, result->window, parentWindow, 0, 0, extent(width),
                      extent(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0,
                      nullptr);
    xcb_map_window(c, result->window);
    // The editor's own connection creates its window inside this one: it
    // must exist on the server first.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return result;
}

Lv2EditorWindow::~Lv2EditorWindow()
{
    if (connection && window)
    {
        xcb_connection_t* c = connection.get();
        xcb_destroy_window(c, window);
        // Gone from the host's window when cleanup returns.
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
}

void Lv2EditorWindow::resize(int width, int height)
{
    const std::uint32_t size[] = {extent(width), extent(height)};
    xcb_configure_window(connection.get(), window,
                         XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    xcb_flush(connection.get());
}

} // namespace Vst
} // namespace Steinberg
