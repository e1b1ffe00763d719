// The seam between a frame and the window system. The frame draws and
// handles input; the platform window only shows pixels and delivers events.
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

// A child window of `parent` showing the frame, driven by `runLoop`; null
// when the window cannot be made (no display, bad parent).
std::unique_ptr<IPlatformFrame> createPlatformFrame(IPlatformFrameCallback& frame, void* parent,
                                                    const CRect& size,
                                                    Steinberg::Linux::IRunLoop* runLoop);

} // namespace VSTGUI
