// A two-state button drawn from two stacked sub-pictures: the upper one at
// value 0, the lower one otherwise. A press toggles it while the pointer
// stays inside; moving out shows the value from before the press again.
#pragma once

#include "gui/ccontrol.h"

namespace VSTGUI
{

class CMovieButton : public CControl
{
public:
    // Each sub-picture is as high as the button.
    CMovieButton(const CRect& size, IControlListener* listener, std::int32_t tag,
                 CBitmap* background, const CPoint& offset);

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;

    int getSubPictureIndex() const { return value != 0.f ? 1 : 0; }

    bool isTypeOf(const char* className) const override;
    CView* newCopy() const override;

private:
    CCoord heightOfOneImage;
    float entryState = 0.f;
    bool tracking = false;
};

} // namespace VSTGUI
