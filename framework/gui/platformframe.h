// The seam between a frame and the window system. The frame draws and
// handles input; the platform window only shows pixels and delivers events.
// Everything that crosses this seam is in the window's device pixels.
#pragma once

#include "gui/cgraphics.h"

#include <memory>

namespace Steinberg
{
namespace Linux
{
class IRunLoop;
}
} // namespace Steinberg

namespace VSTGUI
{

class CDrawContext;

// Implemented by the frame: what the platform window calls.
class IPlatformFrameCallback
{
public:
    virtual ~IPlatformFrameCallback() = default;
    virtual void platformDrawRect(CDrawContext& context, const CRect& updateRect) = 0;
    virtual CMouseEventResult platformOnMouseDown(CPoint& where, const CButtonState& buttons) = 0;
    virtual CMouseEventResult platformOnMouseUp(CPoint& where, const CButtonState& buttons) = 0;
    virtual CMouseEventResult platformOnMouseMoved(CPoint& where, const CButtonState& buttons) = 0;
    virtual bool platformOnWheel(const CPoint& where, float distance,
                                 const CButtonState& buttons) = 0;
    // From windows that keep their own idle timer (Win32); on X11 the
    // editor's timer in the host's run loop does this.
    virtual void platformOnIdle() {}
    // The window system's scale for the window changed (Win32: the parent
    // moved to a monitor of another DPI).
    virtual void platformOnScaleChanged(double /*factor*/) {}
};

class IPlatformFrame
{
public:
    virtual ~IPlatformFrame() = default;
    // Remember rect for the next redraw.
    virtual void invalidRect(const CRect& rect) = 0;
    // Redraw what was invalidated since the last redraw.
    virtual void redrawInvalid() = 0;
    virtual void setSize(const CRect& size) = 0;
};

// The view platform type of the windows this backend embeds into
// ("X11EmbedWindowID", "HWND").
const char* platformFrameType();

// Loads the libraries that windows and drawing need, once for the whole
// process and for good; false when they cannot be had. An editor calls it
// before it builds anything, and does not open without them.
bool loadPlatformLibraries();

// The scale the window system asks for in `parent` (device pixels per
// logical pixel), or in general when parent is null: 1 on X11; on Windows
// the window's DPI / 96, which is 1 in a host that Windows itself scales.
double platformScaleFactor(void* parent);

// A child window of `parent` showing the frame; null when the window cannot
// be made (no display, bad parent). X11 needs the host's `runLoop`; Win32
// gets its events as window messages and ignores it.
std::unique_ptr<IPlatformFrame> createPlatformFrame(IPlatformFrameCallback& frame, void* parent,
                                                    const CRect& size,
                                                    Steinberg::Linux::IRunLoop* runLoop);

} // namespace VSTGUI
