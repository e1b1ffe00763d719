// A knob drawn from a column of sub-pictures, one per position. It follows
// the host's knob mode while dragged (a vertical drag when the host chose
// none), turns with the wheel, and a Control-click resets it to its default
// value.
#pragma once

#include "gui/ccontrol.h"

#include <functional>

namespace VSTGUI
{

class CAnimKnob : public CControl
{
public:
    // Picks the sub-picture for a value; the result is kept within range.
    using SubPictureRule = std::function<int(float value, int subPictures)>;

    CAnimKnob(const CRect& size, IControlListener* listener, std::int32_t tag, int subPictures,
              CCoord heightOfOneImage, CBitmap* background, const CPoint& offset);

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    bool onWheel(const CPoint& where, float distance, const CButtonState& buttons) override;

    // The sub-picture the current value shows.
    int getSubPictureIndex() const;
    // Replaces the evenly spaced choice of sub-picture.
    void setSubPictureRule(SubPictureRule rule) { subPictureRule = std::move(rule); }
    // The even rule: value times the height of all but one sub-picture,
    // in single precision, cut to whole pixels, then whole sub-pictures.
    static int evenSubPicture(float value, int subPictures, CCoord heightOfOneImage);

    void setWheelIncrement(float increment) { wheelIncrement = increment; }
    int getSubPictures() const { return subPictures; }
    CCoord getHeightOfOneImage() const { return heightOfOneImage; }

    bool isTypeOf(const char* className) const override;
    CView* newCopy() const override;

    // Pixels of vertical drag for the whole range in the host's linear mode.
    static constexpr CCoord kLinearRange = 200;
    // Pixels of vertical drag for the whole range when the host chose no
    // mode, in the frame's units (so it grows with a scaled editor).
    void setDragRange(CCoord pixels)
    {
        if (pixels > 0)
            dragRange = pixels;
    }
    CCoord getDragRange() const { return dragRange; }

private:
    double angleFromCentre(const CPoint& where) const;
    float valueFromAngle(double angle) const;
    std::int32_t currentKnobMode() const;

    int subPictures;
    CCoord heightOfOneImage;
    SubPictureRule subPictureRule;
    float wheelIncrement = 0.1f;
    CCoord dragRange = kLinearRange;

    bool dragging = false;
    std::int32_t dragMode = kCircularMode;
    float startValue = 0.f;
    CPoint startPoint;
    double lastAngle = 0;
};

} // namespace VSTGUI
