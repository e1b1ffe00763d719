#include "gui/ccontrol.h"

#include "gui/cbitmap.h"

#include <cmath>
#include <cstring>

namespace VSTGUI
{

CControl::CControl(const CRect& rect, IControlListener* l, std::int32_t t, CBitmap* bitmap)
    : CView(rect), tag(t), listener(l)
{
    setBackground(bitmap);
}

// The copy has its own reference to the picture and is not in an edit.
CControl::CControl(const CControl& other)
    : CView(other), value(other.value), defaultValue(other.defaultValue), tag(other.tag),
      listener(other.listener), backOffset(other.backOffset)
{
    setBackground(other.background);
}

CControl::~CControl()
{
    if (background)
        background->forget();
}

void CControl::setValue(float newValue)
{
    if (std::isnan(newValue))
        return;
    newValue = std::min(1.f, std::max(0.f, newValue));
    if (newValue != value)
    {
        value = newValue;
        setDirty();
    }
}

void CControl::setBackground(CBitmap* bitmap)
{
    if (bitmap)
        bitmap->remember();
    if (background)
        background->forget();
    background = bitmap;
    setDirty();
}

void CControl::beginEdit()
{
    editing = true;
    if (listener)
        listener->controlBeginEdit(this);
}

void CControl::endEdit()
{
    editing = false;
    if (listener)
        listener->controlEndEdit(this);
}

void CControl::valueChanged()
{
    if (listener)
        listener->valueChanged(this);
}

bool CControl::isTypeOf(const char* className) const
{
    return (className && std::strcmp(className, "CControl") == 0) || CView::isTypeOf(className);
}

} // namespace VSTGUI
