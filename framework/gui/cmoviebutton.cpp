#include "gui/cmoviebutton.h"

#include "gui/cbitmap.h"
#include "gui/cdrawcontext.h"

#include <cstring>

namespace VSTGUI
{

CMovieButton::CMovieButton(const CRect& rect, IControlListener* l, std::int32_t t, CBitmap* bitmap,
                           const CPoint& offset)
    : CControl(rect, l, t, bitmap), heightOfOneImage(rect.getHeight())
{
    setBackOffset(offset);
}

void CMovieButton::draw(CDrawContext* context)
{
    if (background && context)
    {
        const CPoint where(backOffset.x, backOffset.y + heightOfOneImage * getSubPictureIndex());
        context->drawBitmap(*background, size, where);
    }
    setDirty(false);
}

CMouseEventResult CMovieButton::onMouseDown(CPoint& where, const CButtonState& buttons)
{
    if (!(buttons & kLButton))
        return kMouseEventNotHandled;
    entryState = value;
    tracking = true;
    beginEdit();
    return onMouseMoved(where, buttons);
}

CMouseEventResult CMovieButton::onMouseMoved(CPoint& where, const CButtonState& buttons)
{
    if (!tracking)
        return kMouseEventNotHandled;
    if (buttons & kLButton)
    {
        const float toggled = entryState != 0.f ? 0.f : 1.f;
        const float shown = size.pointInside(where) ? toggled : entryState;
        if (shown != value)
        {
            setValue(shown);
            valueChanged();
        }
    }
    return kMouseEventHandled;
}

CMouseEventResult CMovieButton::onMouseUp(CPoint& /*where*/, const CButtonState& /*buttons*/)
{
    if (!tracking)
        return kMouseEventNotHandled;
    tracking = false;
    endEdit();
    return kMouseEventHandled;
}

bool CMovieButton::isTypeOf(const char* className) const
{
    return (className && std::strcmp(className, "CMovieButton") == 0) ||
           CControl::isTypeOf(className);
}

CView* CMovieButton::newCopy() const
{
    auto* copy = new CMovieButton(*this);
    copy->tracking = false;
    copy->editing = false;
    return copy;
}

} // namespace VSTGUI
