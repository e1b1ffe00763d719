// The frame's window on X11: a child window of the host's window. It maps
// itself once its first picture is drawn, since many hosts hand over a bare
// parent window and never map what is put into it; it also carries
// _XEMBED_INFO (mapped) for hosts that embed it the XEmbed way. It has its own
// X connection, whose file descriptor the host's run loop watches; it starts
// no thread. Drawing goes to an offscreen image first and only the
// invalidated rectangles reach the window.
#pragma once

#include "gui/platformframe.h"

#include "base/source/fobject.h"
#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"

#include <cairo.h>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace VSTGUI
{
namespace X11
{

class Frame;

// Registered with the host's run loop; forwards to its frame while the
// frame lives and does nothing afterwards (the host may still hold it).
class EventHandler : public Steinberg::FObject, public Steinberg::Linux::IEventHandler
{
public:
    explicit EventHandler(Frame* owner) : frame(owner) {}
    void detach() { frame = nullptr; }

    void PLUGIN_API onFDIsSet(Steinberg::Linux::FileDescriptor fd) override;

    OBJ_METHODS(EventHandler, FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(Steinberg::Linux::IEventHandler)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)

private:
    Frame* frame;
};

class Frame : public IPlatformFrame
{
public:
    // Null when the display cannot be opened or the parent is not a window.
    static std::unique_ptr<Frame> create(IPlatformFrameCallback& callback, xcb_window_t parent,
                                         const CRect& size, Steinberg::Linux::IRunLoop* runLoop);
    ~Frame() override;
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    void invalidRect(const CRect& rect) override;
    void redrawInvalid() override;
    void setSize(const CRect& size) override;

    // Handles every event that is waiting on the connection.
    void processEvents();
    xcb_window_t getWindow() const { return window; }

private:
    Frame(IPlatformFrameCallback& callback, Steinberg::Linux::IRunLoop* runLoop);
    bool open(xcb_window_t parent, const CRect& size);
    void handleEvent(const xcb_generic_event_t& event);
    void onButtonPress(const xcb_button_press_event_t& event);
    void onButtonRelease(const xcb_button_release_event_t& event);
    void onMotion(const xcb_motion_notify_event_t& event);
    void onConfigure(const xcb_configure_notify_event_t& event);
    bool makeSurfaces(int width, int height);
    // Waits until the X server has handled every request sent so far.
    void sync();

    struct ConnectionCloser
    {
        void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
    };
    struct SurfaceCloser
    {
        void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
    };

    IPlatformFrameCallback& callback;
    Steinberg::IPtr<Steinberg::Linux::IRunLoop> runLoop;
    Steinberg::IPtr<EventHandler> eventHandler;
    std::unique_ptr<xcb_connection_t, ConnectionCloser> connection;
    xcb_window_t window = XCB_NONE;
    xcb_visualtype_t* visual = nullptr;
    std::unique_ptr<cairo_surface_t, SurfaceCloser> windowSurface;
    std::unique_ptr<cairo_surface_t, SurfaceCloser> backBuffer;
    std::vector<CRect> invalid;
    // The window's own size: an embedder may make it larger than the frame.
    int surfaceWidth = 0;
    int surfaceHeight = 0;
    bool mapped = false;
    // Cleared by the destructor: lets an event loop notice that a handler it
    // called destroyed this frame.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
    bool grabbed = false;
    xcb_timestamp_t lastPressTime = 0;
    xcb_button_t lastPressButton = 0;
};

} // namespace X11
} // namespace VSTGUI
