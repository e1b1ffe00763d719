#include "host/x11window.h"

#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace KestrumHost
{
namespace
{

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeDeleter>;

} // namespace

void X11Window::ConnectionCloser::operator()(xcb_connection_t* c) const
{
    xcb_disconnect(c);
}

std::unique_ptr<X11Window> X11Window::create(int width, int height, std::string& error)
{
    if (width <= 0 || height <= 0 || width > 0x7fff || height > 0x7fff)
    {
        error = "window size " + std::to_string(width) + "x" + std::to_string(height);
        return nullptr;
    }
    std::unique_ptr<X11Window> result(new X11Window);
    result->connection.reset(xcb_connect(nullptr, nullptr));
    xcb_connection_t* c = result->connection.get();
    if (xcb_connection_has_error(c))
    {
        error = "cannot connect to the X server";
        return nullptr;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    result->window = xcb_generate_id(c);
    const std::uint32_t background[] = {screen->black_pixel};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, result->window, screen->root, 0, 0,
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                      background);
    xcb_map_window(c, result->window);
    result->windowWidth = width;
    result->windowHeight = height;
    result->sync();
    return result;
}

X11Window::~X11Window()
{
    if (connection && window)
    {
        xcb_destroy_window(connection.get(), window);
        sync();
    }
}

void X11Window::sync() const
{
    xcb_connection_t* c = connection.get();
    Reply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

void X11Window::resize(int width, int height)
{
    if (width <= 0 || height <= 0 || width > 0x7fff || height > 0x7fff)
        return;
    const std::uint32_t values[] = {static_cast<std::uint32_t>(width),
                                    static_cast<std::uint32_t>(height)};
    xcb_configure_window(connection.get(), window,
                         XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values);
    windowWidth = width;
    windowHeight = height;
    sync();
}

int X11Window::childCount(bool viewableOnly) const
{
    xcb_connection_t* c = connection.get();
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!tree)
        return 0;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    int count = 0;
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
    {
        if (!viewableOnly)
        {
            ++count;
            continue;
        }
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            ++count;
    }
    return count;
}

std::vector<std::uint32_t> X11Window::grab() const
{
    xcb_connection_t* c = connection.get();
    Reply<xcb_get_image_reply_t> image(
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                                          static_cast<std::uint16_t>(windowWidth),
                                          static_cast<std::uint16_t>(windowHeight), ~0u),
                            nullptr));
    // Only 24-bit colour in 32-bit pixels is read.
    const auto count =
        static_cast<std::size_t>(windowWidth) * static_cast<std::size_t>(windowHeight);
    if (!image || (image->depth != 24 && image->depth != 32) ||
        static_cast<std::size_t>(xcb_get_image_data_length(image.get())) != count * 4)
        return {};
    const auto* data = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(image.get()));
    std::vector<std::uint32_t> pixels(data, data + count);
    for (std::uint32_t& p : pixels)
        p &= 0x00ffffffu;
    return pixels;
}

} // namespace KestrumHost
