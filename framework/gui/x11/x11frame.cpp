#include "gui/x11/x11frame.h"

#include "gui/cdrawcontext.h"

#include <cairo-xcb.h>
#include <cstdlib>
#include <cstring>

namespace VSTGUI
{
namespace X11
{
namespace
{

// Two presses of one button closer than this are a double click.
constexpr xcb_timestamp_t kDoubleClickMs = 250;

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeDeleter>;

CButtonState modifiers(std::uint16_t state)
{
    CButtonState buttons = 0;
    if (state & XCB_MOD_MASK_SHIFT)
        buttons |= kShift;
    if (state & XCB_MOD_MASK_CONTROL)
        buttons |= kControl;
    if (state & XCB_MOD_MASK_1)
        buttons |= kAlt;
    return buttons;
}

CButtonState heldButtons(std::uint16_t state)
{
    CButtonState buttons = modifiers(state);
    if (state & XCB_BUTTON_MASK_1)
        buttons |= kLButton;
    if (state & XCB_BUTTON_MASK_2)
        buttons |= kMButton;
    if (state & XCB_BUTTON_MASK_3)
        buttons |= kRButton;
    return buttons;
}

CButtonState buttonOf(xcb_button_t detail)
{
    switch (detail)
    {
    case 1:
        return kLButton;
    case 2:
        return kMButton;
    case 3:
        return kRButton;
    case 8:
        return kButton4;
    case 9:
        return kButton5;
    default:
        return 0;
    }
}

bool isWheel(xcb_button_t detail)
{
    return detail >= 4 && detail <= 7;
}

xcb_atom_t internAtom(xcb_connection_t* c, const char* name)
{
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

xcb_visualtype_t* findVisual(xcb_connection_t* c, xcb_window_t root, xcb_visualid_t id,
                             std::uint8_t& depth)
{
    for (auto screens = xcb_setup_roots_iterator(xcb_get_setup(c)); screens.rem;
         xcb_screen_next(&screens))
    {
        if (screens.data->root != root)
            continue;
        for (auto depths = xcb_screen_allowed_depths_iterator(screens.data); depths.rem;
             xcb_depth_next(&depths))
        {
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
                 xcb_visualtype_next(&visuals))
            {
                if (visuals.data->visual_id == id)
                {
                    depth = depths.data->depth;
                    return visuals.data;
                }
            }
        }
    }
    return nullptr;
}

} // namespace

void PLUGIN_API EventHandler::onFDIsSet(Steinberg::Linux::FileDescriptor /*fd*/)
{
    // The run loop may drop its reference while we are in here.
    Steinberg::IPtr<EventHandler> keepAlive(this);
    if (frame)
        frame->processEvents();
}

Frame::Frame(IPlatformFrameCallback& cb, Steinberg::Linux::IRunLoop* loop)
    : callback(cb), runLoop(loop)
{
}

std::unique_ptr<Frame> Frame::create(IPlatformFrameCallback& callback, xcb_window_t parent,
                                     const CRect& size, Steinberg::Linux::IRunLoop* runLoop)
{
    if (!runLoop || parent == XCB_NONE || size.isEmpty())
        return nullptr;
    std::unique_ptr<Frame> frame(new Frame(callback, runLoop));
    if (!frame->open(parent, size))
        return nullptr;
    return frame;
}

bool Frame::open(xcb_window_t parent, const CRect& size)
{
    connection.reset(xcb_connect(nullptr, nullptr));
    xcb_connection_t* c = connection.get();
    if (xcb_connection_has_error(c))
        return false;

    // Take the parent's visual, so the window fits any parent the host made.
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, parent), nullptr));
    Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, parent), nullptr));
    if (!attributes || !geometry)
        return false;
    std::uint8_t depth = 0;
    visual = findVisual(c, geometry->root, attributes->visual, depth);
    if (!visual)
        return false;

    const int width = static_cast<int>(size.getWidth());
    const int height = static_cast<int>(size.getHeight());
    window = xcb_generate_id(c);
    const std::uint32_t mask =
        XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK | XCB_CW_COLORMAP;
    const std::uint32_t values[] = {
        XCB_BACK_PIXMAP_NONE, 0,
        XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
            XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_STRUCTURE_NOTIFY,
        attributes->colormap};
    Reply<xcb_generic_error_t> error(
        xcb_request_check(c, xcb_create_window_checked(
                                 c, depth, window, parent, 0, 0, static_cast<std::uint16_t>(width),
                                 static_cast<std::uint16_t>(height), 0,
                                 XCB_WINDOW_CLASS_INPUT_OUTPUT, attributes->visual, mask, values)));
    if (error)
    {
        window = XCB_NONE;
        return false;
    }

    // XEmbed: protocol version 0, mapped (the flag tells an embedder that we
    // want to be shown; we also map ourselves after the first paint).
    const xcb_atom_t xembedInfo = internAtom(c, "_XEMBED_INFO");
    const std::uint32_t info[] = {0, 1};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, xembedInfo, xembedInfo, 32, 2, info);

    if (!makeSurfaces(width, height))
        return false;
    xcb_flush(c);

    eventHandler = Steinberg::owned(new EventHandler(this));
    if (runLoop->registerEventHandler(eventHandler, xcb_get_file_descriptor(c)) !=
        Steinberg::kResultOk)
        return false;
    return true;
}

bool Frame::makeSurfaces(int width, int height)
{
    windowSurface.reset(cairo_xcb_surface_create(connection.get(), window, visual, width, height));
    backBuffer.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    surfaceWidth = width;
    surfaceHeight = height;
    return cairo_surface_status(windowSurface.get()) == CAIRO_STATUS_SUCCESS &&
           cairo_surface_status(backBuffer.get()) == CAIRO_STATUS_SUCCESS;
}

Frame::~Frame()
{
    *alive = false;
    if (eventHandler)
    {
        eventHandler->detach();
        runLoop->unregisterEventHandler(eventHandler);
    }
    // cairo keeps per-connection data until its device is finished; a later
    // connection at the same address would otherwise meet stale data.
    if (windowSurface)
    {
        cairo_device_t* device =
            cairo_device_reference(cairo_surface_get_device(windowSurface.get()));
        windowSurface.reset();
        cairo_device_finish(device);
        cairo_device_destroy(device);
    }
    if (connection && window != XCB_NONE)
    {
        if (grabbed)
            xcb_ungrab_pointer(connection.get(), XCB_CURRENT_TIME);
        xcb_unmap_window(connection.get(), window);
        xcb_destroy_window(connection.get(), window);
        // A round trip: the window is gone before the host, told that the
        // view was removed, reuses or destroys its parent.
        sync();
    }
}

void Frame::invalidRect(const CRect& rect)
{
    if (!rect.isEmpty())
        invalid.push_back(rect);
}

void Frame::redrawInvalid()
{
    if (invalid.empty() || !windowSurface)
        return;
    std::vector<CRect> rects;
    rects.swap(invalid);

    cairo_t* back = cairo_create(backBuffer.get());
    {
        CDrawContext context(back);
        for (const CRect& rect : rects)
            callback.platformDrawRect(context, rect);
    }
    cairo_destroy(back);

    // Shown only now, so that the host never shows an empty window; the
    // expose event that follows copies the whole picture.
    const bool firstPicture = !mapped;
    if (firstPicture)
    {
        xcb_map_window(connection.get(), window);
        mapped = true;
    }

    cairo_t* front = cairo_create(windowSurface.get());
    cairo_set_operator(front, CAIRO_OPERATOR_SOURCE);
    for (const CRect& rect : rects)
        cairo_rectangle(front, rect.left, rect.top, rect.getWidth(), rect.getHeight());
    cairo_clip(front);
    cairo_set_source_surface(front, backBuffer.get(), 0, 0);
    cairo_paint(front);
    cairo_destroy(front);
    cairo_surface_flush(windowSurface.get());
    // The first time with a round trip: the editor is on screen when the
    // host's attach call returns, whatever the load on the X server.
    if (firstPicture)
        sync();
    else
        xcb_flush(connection.get());
}

void Frame::sync()
{
    Reply<xcb_get_input_focus_reply_t> reply(xcb_get_input_focus_reply(
        connection.get(), xcb_get_input_focus(connection.get()), nullptr));
}

void Frame::setSize(const CRect& size)
{
    const int width = static_cast<int>(size.getWidth());
    const int height = static_cast<int>(size.getHeight());
    if (width <= 0 || height <= 0)
        return;
    const std::uint32_t values[] = {static_cast<std::uint32_t>(width),
                                    static_cast<std::uint32_t>(height)};
    xcb_configure_window(connection.get(), window,
                         XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values);
    makeSurfaces(width, height);
    invalidRect(size);
    xcb_flush(connection.get());
}

void Frame::onConfigure(const xcb_configure_notify_event_t& event)
{
    if (event.window != window || (event.width == surfaceWidth && event.height == surfaceHeight))
        return;
    // An embedder that fits us to its own size (Ardour widens the editor to
    // its toolbar): draw the whole window, margin included.
    if (event.width > 0 && event.height > 0 && makeSurfaces(event.width, event.height))
        invalidRect(CRect(0, 0, event.width, event.height));
}

void Frame::processEvents()
{
    const std::shared_ptr<bool> stillAlive = alive;
    while (*stillAlive)
    {
        Reply<xcb_generic_event_t> event(xcb_poll_for_event(connection.get()));
        if (!event)
            break;
        handleEvent(*event);
    }
    if (*stillAlive)
        redrawInvalid();
}

void Frame::handleEvent(const xcb_generic_event_t& event)
{
    switch (event.response_type & 0x7f)
    {
    case XCB_EXPOSE:
    {
        const auto& expose = reinterpret_cast<const xcb_expose_event_t&>(event);
        invalidRect(CRect(expose.x, expose.y, expose.x + expose.width, expose.y + expose.height));
        break;
    }
    case XCB_BUTTON_PRESS:
        onButtonPress(reinterpret_cast<const xcb_button_press_event_t&>(event));
        break;
    case XCB_BUTTON_RELEASE:
        onButtonRelease(reinterpret_cast<const xcb_button_release_event_t&>(event));
        break;
    case XCB_MOTION_NOTIFY:
        onMotion(reinterpret_cast<const xcb_motion_notify_event_t&>(event));
        break;
    case XCB_CONFIGURE_NOTIFY:
        onConfigure(reinterpret_cast<const xcb_configure_notify_event_t&>(event));
        break;
    default:
        break;
    }
}

void Frame::onButtonPress(const xcb_button_press_event_t& event)
{
    CPoint where(event.event_x, event.event_y);
    if (isWheel(event.detail))
    {
        // Buttons 4/5 turn the wheel up/down; 6/7 (sideways) are not used.
        if (event.detail <= 5)
            callback.platformOnWheel(where, event.detail == 4 ? 1.f : -1.f,
                                     heldButtons(event.state));
        return;
    }
    CButtonState buttons = modifiers(event.state) | buttonOf(event.detail);
    if (event.detail == lastPressButton && event.time - lastPressTime < kDoubleClickMs)
        buttons |= kDoubleClick;
    lastPressButton = event.detail;
    lastPressTime = event.time;

    const std::shared_ptr<bool> stillAlive = alive;
    const CMouseEventResult result = callback.platformOnMouseDown(where, buttons);
    if (!*stillAlive || result != kMouseEventHandled || grabbed)
        return;
    // Keep the drag even when the pointer leaves the window.
    Reply<xcb_grab_pointer_reply_t> grab(xcb_grab_pointer_reply(
        connection.get(),
        xcb_grab_pointer(connection.get(), 0, window,
                         XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION,
                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, event.time),
        nullptr));
    grabbed = grab && grab->status == XCB_GRAB_STATUS_SUCCESS;
}

void Frame::onButtonRelease(const xcb_button_release_event_t& event)
{
    if (isWheel(event.detail))
        return;
    if (grabbed)
    {
        xcb_ungrab_pointer(connection.get(), event.time);
        xcb_flush(connection.get());
        grabbed = false;
    }
    CPoint where(event.event_x, event.event_y);
    callback.platformOnMouseUp(where, modifiers(event.state) | buttonOf(event.detail));
}

void Frame::onMotion(const xcb_motion_notify_event_t& event)
{
    CPoint where(event.event_x, event.event_y);
    callback.platformOnMouseMoved(where, heldButtons(event.state));
}

} // namespace X11

std::unique_ptr<IPlatformFrame> createPlatformFrame(IPlatformFrameCallback& frame, void* parent,
                                                    const CRect& size,
                                                    Steinberg::Linux::IRunLoop* runLoop)
{
    const auto parentWindow = static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(parent));
    return X11::Frame::create(frame, parentWindow, size, runLoop);
}

} // namespace VSTGUI
