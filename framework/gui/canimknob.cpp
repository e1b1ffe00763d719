#include "gui/canimknob.h"

#include "gui/cbitmap.h"
#include "gui/cdrawcontext.h"
#include "gui/cframe.h"
#include "gui/vstguieditorinterface.h"

#include <cmath>
#include <cstring>

namespace VSTGUI
{
namespace
{

constexpr double kPi = 3.14159265358979323846;
// The pointer sweeps 270 degrees clockwise from lower left (225 degrees) to
// lower right (-45 degrees); the gap below the knob selects nothing new.
constexpr double kStartAngle = 1.25 * kPi;
constexpr double kRangeAngle = 1.5 * kPi;

double wrapToPlusMinusPi(double a)
{
    while (a > kPi)
        a -= 2 * kPi;
    while (a <= -kPi)
        a += 2 * kPi;
    return a;
}

} // namespace

CAnimKnob::CAnimKnob(const CRect& rect, IControlListener* l, std::int32_t t, int pictures,
                     CCoord imageHeight, CBitmap* bitmap, const CPoint& offset)
    : CControl(rect, l, t, bitmap), subPictures(pictures), heightOfOneImage(imageHeight)
{
    setBackOffset(offset);
}

int CAnimKnob::evenSubPicture(float v, int pictures, CCoord imageHeight)
{
    const int height = static_cast<int>(imageHeight);
    if (pictures <= 1 || height <= 0)
        return 0;
    const float span = static_cast<float>(imageHeight * (pictures - 1));
    const int pixel = static_cast<int>(v * span);
    return std::min(pictures - 1, std::max(0, pixel / height));
}

int CAnimKnob::getSubPictureIndex() const
{
    const int index = subPictureRule ? subPictureRule(value, subPictures)
                                     : evenSubPicture(value, subPictures, heightOfOneImage);
    return std::min(std::max(subPictures - 1, 0), std::max(0, index));
}

void CAnimKnob::draw(CDrawContext* context)
{
    if (background && context)
    {
        const CPoint where(backOffset.x, backOffset.y + heightOfOneImage * getSubPictureIndex());
        context->drawBitmap(*background, size, where);
    }
    setDirty(false);
}

std::int32_t CAnimKnob::currentKnobMode() const
{
    if (frame && frame->getEditor())
        return frame->getEditor()->getKnobMode();
    return kCircularMode;
}

double CAnimKnob::angleFromCentre(const CPoint& where) const
{
    const double cx = (size.left + size.right) / 2;
    const double cy = (size.top + size.bottom) / 2;
    return std::atan2(cy - where.y, where.x - cx);
}

float CAnimKnob::valueFromAngle(double angle) const
{
    double fromStart = kStartAngle - angle;
    fromStart = std::fmod(fromStart, 2 * kPi);
    if (fromStart < 0)
        fromStart += 2 * kPi;
    if (fromStart <= kRangeAngle)
        return static_cast<float>(fromStart / kRangeAngle);
    // In the gap: the nearer end of the sweep.
    return (fromStart - kRangeAngle) < (2 * kPi - fromStart) ? 1.f : 0.f;
}

CMouseEventResult CAnimKnob::onMouseDown(CPoint& where, const CButtonState& buttons)
{
    if (!(buttons & kLButton))
        return kMouseEventNotHandled;
    if (buttons & kControl)
    {
        beginEdit();
        setValue(defaultValue);
        valueChanged();
        endEdit();
        return kMouseEventHandled;
    }
    beginEdit();
    dragging = true;
    dragMode = currentKnobMode();
    startValue = value;
    startPoint = where;
    lastAngle = angleFromCentre(where);
    return kMouseEventHandled;
}

CMouseEventResult CAnimKnob::onMouseMoved(CPoint& where, const CButtonState& buttons)
{
    if (!dragging)
        return kMouseEventNotHandled;
    float newValue = value;
    if (dragMode == kLinearMode)
    {
        const CCoord range = (buttons & kShift) ? kLinearRange * 10 : kLinearRange;
        newValue = startValue + static_cast<float>((startPoint.y - where.y) / range);
    }
    else if (dragMode == kNoHostKnobMode)
    {
        newValue = startValue + static_cast<float>((startPoint.y - where.y) / dragRange);
    }
    else if (dragMode == kRelativCircularMode)
    {
        const double angle = angleFromCentre(where);
        // Clockwise turns raise the value.
        newValue = value + static_cast<float>(wrapToPlusMinusPi(lastAngle - angle) / kRangeAngle);
        lastAngle = angle;
    }
    else
    {
        newValue = valueFromAngle(angleFromCentre(where));
    }
    const float oldValue = value;
    setValue(newValue);
    if (value != oldValue)
        valueChanged();
    return kMouseEventHandled;
}

CMouseEventResult CAnimKnob::onMouseUp(CPoint& /*where*/, const CButtonState& /*buttons*/)
{
    if (!dragging)
        return kMouseEventNotHandled;
    dragging = false;
    endEdit();
    return kMouseEventHandled;
}

bool CAnimKnob::onWheel(const CPoint& /*where*/, float distance, const CButtonState& buttons)
{
    if (dragging || !std::isfinite(distance))
        return false;
    const float step = (buttons & kShift) ? wheelIncrement / 10 : wheelIncrement;
    const float oldValue = value;
    setValue(value + distance * step);
    if (value != oldValue)
    {
        beginEdit();
        valueChanged();
        endEdit();
    }
    return true;
}

bool CAnimKnob::isTypeOf(const char* className) const
{
    return (className && std::strcmp(className, "CAnimKnob") == 0) || CControl::isTypeOf(className);
}

CView* CAnimKnob::newCopy() const
{
    auto* copy = new CAnimKnob(*this);
    copy->dragging = false;
    copy->editing = false;
    return copy;
}

} // namespace VSTGUI
