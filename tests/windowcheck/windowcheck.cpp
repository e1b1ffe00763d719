// Checks, as a person looking at the screen would, that a plug-in's editor
// shows in a third-party host's window: finds the top-level window with the
// given name on $DISPLAY, and succeeds when one of its descendants is viewable
// and the window shows a picture rather than a flat colour.
//
//   kestrum-windowcheck NAME [SCREENSHOT.png]
//
// Prints what it found; exit status 0 shown, 1 not shown, 2 no such window.
#include <cairo.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{

struct Free
{
    void operator()(void* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, Free>;

std::vector<xcb_window_t> children(xcb_connection_t* c, xcb_window_t window)
{
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* list = xcb_query_tree_children(tree.get());
    return std::vector<xcb_window_t>(list, list + xcb_query_tree_children_length(tree.get()));
}

std::string nameOf(xcb_connection_t* c, xcb_window_t window)
{
    Reply<xcb_get_property_reply_t> name(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 0, 256), nullptr));
    if (!name)
        return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(name.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(name.get())));
}

xcb_window_t findByName(xcb_connection_t* c, xcb_window_t root, const std::string& wanted)
{
    for (xcb_window_t w : children(c, root))
    {
        if (nameOf(c, w) == wanted)
            return w;
        if (xcb_window_t inner = findByName(c, w, wanted))
            return inner;
    }
    return XCB_NONE;
}

bool viewable(xcb_connection_t* c, xcb_window_t window)
{
    Reply<xcb_get_window_attributes_reply_t> a(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    return a && a->map_state == XCB_MAP_STATE_VIEWABLE;
}

// Viewable descendants, depth first.
int countViewable(xcb_connection_t* c, xcb_window_t window, int depth)
{
    int count = 0;
    for (xcb_window_t w : children(c, window))
    {
        const bool shown = viewable(c, w);
        Reply<xcb_get_geometry_reply_t> g(
            xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr));
        std::printf("%*swindow 0x%x %dx%d %s\n", 2 * depth, "", w, g ? g->width : 0,
                    g ? g->height : 0, shown ? "viewable" : "not viewable");
        count += (shown ? 1 : 0) + countViewable(c, w, depth + 1);
    }
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: %s WINDOW-NAME [SCREENSHOT.png]\n", argv[0]);
        return 2;
    }
    std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)> connection(
        xcb_connect(nullptr, nullptr), xcb_disconnect);
    xcb_connection_t* c = connection.get();
    if (xcb_connection_has_error(c))
    {
        std::fprintf(stderr, "no X server\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_window_t top = findByName(c, root, argv[1]);
    if (top == XCB_NONE)
    {
        std::printf("no window named \"%s\"\n", argv[1]);
        return 2;
    }
    Reply<xcb_get_geometry_reply_t> g(xcb_get_geometry_reply(c, xcb_get_geometry(c, top), nullptr));
    if (!g)
        return 2;
    std::printf("\"%s\": 0x%x %dx%d\n", argv[1], top, g->width, g->height);
    const int shownChildren = countViewable(c, top, 1);

    Reply<xcb_get_image_reply_t> image(xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, top, 0, 0, g->width, g->height, ~0u),
        nullptr));
    std::size_t colours = 0;
    if (image && image->depth == 24 &&
        xcb_get_image_data_length(image.get()) >= g->width * g->height * 4)
    {
        auto* words = reinterpret_cast<std::uint32_t*>(xcb_get_image_data(image.get()));
        std::set<std::uint32_t> distinct;
        for (int i = 0; i < g->width * g->height; ++i)
            distinct.insert(words[i] & 0xFFFFFF);
        colours = distinct.size();
        if (argc > 2)
        {
            cairo_surface_t* s = cairo_image_surface_create_for_data(
                reinterpret_cast<unsigned char*>(words), CAIRO_FORMAT_RGB24, g->width, g->height,
                g->width * 4);
            cairo_surface_write_to_png(s, argv[2]);
            cairo_surface_destroy(s);
        }
    }
    std::printf("viewable windows inside: %d; distinct colours: %zu\n", shownChildren, colours);
    // A flat or nearly flat window is an editor nobody can see.
    return shownChildren > 0 && colours > 100 ? 0 : 1;
}
