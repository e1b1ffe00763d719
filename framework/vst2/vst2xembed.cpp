#include "vst2/vst2xembed.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace Steinberg
{
namespace Vst
{
namespace
{

constexpr std::uint32_t kXEmbedMapped = 1u << 0;

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeDeleter>;

struct ConnectionCloser
{
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};

bool asksToBeMapped(xcb_connection_t* c, xcb_window_t window, xcb_atom_t xembedInfo)
{
    Reply<xcb_get_property_reply_t> info(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, xembedInfo, xembedInfo, 0, 2), nullptr));
    if (!info || info->format != 32 || xcb_get_property_value_length(info.get()) < 8)
        return false;
    const auto* words = static_cast<const std::uint32_t*>(xcb_get_property_value(info.get()));
    return (words[1] & kXEmbedMapped) != 0;
}

bool isUnmapped(xcb_connection_t* c, xcb_window_t window)
{
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_UNMAPPED;
}

} // namespace

bool mapXEmbedClients(std::uintptr_t parent)
{
    if (parent == 0 || parent > UINT32_MAX)
        return false;
    std::unique_ptr<xcb_connection_t, ConnectionCloser> connection(xcb_connect(nullptr, nullptr));
    xcb_connection_t* c = connection.get();
    if (xcb_connection_has_error(c))
        return false;

    const auto window = static_cast<xcb_window_t>(parent);
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!tree)
        return false;

    const char name[] = "_XEMBED_INFO";
    Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return true; // nobody on this server speaks XEmbed: nothing to map

    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    for (int i = 0; i < count; ++i)
    {
        if (asksToBeMapped(c, children[i], atom->atom) && isUnmapped(c, children[i]))
            xcb_map_window(c, children[i]);
    }
    // The requests must reach the server before this connection closes.
    Reply<xcb_get_input_focus_reply_t> sync(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return true;
}

} // namespace Vst
} // namespace Steinberg
