// Base of everything the frame shows: a rectangle that draws itself and may
// answer mouse events. Views are reference-counted (see CBaseObject).
#pragma once

#include "gui/cbaseobject.h"
#include "gui/cgraphics.h"

namespace VSTGUI
{

class CDrawContext;
class CFrame;

class CView : public CBaseObject
{
public:
    explicit CView(const CRect& size);
    CView(const CView& other);

    virtual void draw(CDrawContext* /*context*/) {}

    virtual CMouseEventResult onMouseDown(CPoint& /*where*/, const CButtonState& /*buttons*/)
    {
        return kMouseEventNotHandled;
    }
    virtual CMouseEventResult onMouseUp(CPoint& /*where*/, const CButtonState& /*buttons*/)
    {
        return kMouseEventNotHandled;
    }
    virtual CMouseEventResult onMouseMoved(CPoint& /*where*/, const CButtonState& /*buttons*/)
    {
        return kMouseEventNotHandled;
    }
    // distance > 0 is a turn away from the user (wheel up).
    virtual bool onWheel(const CPoint& /*where*/, float /*distance*/,
                         const CButtonState& /*buttons*/)
    {
        return false;
    }

    // True for the class's own name and those of its bases, compared exactly.
    virtual bool isTypeOf(const char* className) const;
    // A new view with this one's settings and one reference, owned by the caller.
    virtual CView* newCopy() const { return new CView(*this); }

    const CRect& getViewSize() const { return size; }
    virtual void setViewSize(const CRect& rect);
    const CRect& getMouseableArea() const { return mouseableArea; }
    void setMouseableArea(const CRect& rect) { mouseableArea = rect; }

    // A dirty view is redrawn on the frame's next idle call.
    void setDirty(bool state = true) { dirty = state; }
    bool isDirty() const { return dirty; }
    // Asks the frame to redraw this view's rectangle now and clears the dirty flag.
    void invalid();

    CFrame* getFrame() const { return frame; }
    // Called by the frame when the view is added or removed.
    virtual void attached(CFrame* parent) { frame = parent; }
    virtual void removed() { frame = nullptr; }

protected:
    CRect size;
    CRect mouseableArea;
    CFrame* frame = nullptr;
    bool dirty = false;
};

} // namespace VSTGUI
