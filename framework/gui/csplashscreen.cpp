#include "gui/csplashscreen.h"

#include "gui/cbitmap.h"
#include "gui/cdrawcontext.h"
#include "gui/cframe.h"

#include <cstring>

namespace VSTGUI
{

CDefaultSplashScreenView::CDefaultSplashScreenView(const CRect& rect, CSplashScreen* splash,
                                                   CBitmap* picture, const CPoint& pictureOffset)
    : CView(rect), owner(splash), bitmap(picture), offset(pictureOffset)
{
    if (bitmap)
        bitmap->remember();
}

CDefaultSplashScreenView::~CDefaultSplashScreenView()
{
    if (bitmap)
        bitmap->forget();
}

void CDefaultSplashScreenView::draw(CDrawContext* context)
{
    if (bitmap && context)
        context->drawBitmap(*bitmap, size, offset);
}

CMouseEventResult CDefaultSplashScreenView::onMouseDown(CPoint& /*where*/,
                                                        const CButtonState& buttons)
{
    if (!(buttons & kLButton))
        return kMouseEventNotHandled;
    if (owner)
        owner->unSplash();
    return kMouseEventHandled;
}

CSplashScreen::CSplashScreen(const CRect& rect, IControlListener* l, std::int32_t t,
                             CBitmap* bitmap, const CRect& toDisplay, const CPoint& offset)
    : CControl(rect, l, t, bitmap),
      modalView(new CDefaultSplashScreenView(toDisplay, this, bitmap, offset))
{
}

CSplashScreen::~CSplashScreen()
{
    modalView->detachOwner();
    modalView->forget();
}

bool CSplashScreen::isSplashShown() const
{
    return frame && frame->getModalView() == modalView;
}

CMouseEventResult CSplashScreen::onMouseDown(CPoint& /*where*/, const CButtonState& buttons)
{
    if (!(buttons & kLButton) || !frame)
        return kMouseEventNotHandled;
    if (!frame->setModalView(modalView))
        return kMouseEventHandled;
    setValue(1.f);
    valueChanged();
    return kMouseEventHandled;
}

void CSplashScreen::unSplash()
{
    if (isSplashShown())
        frame->setModalView(nullptr);
    setValue(0.f);
    valueChanged();
}

bool CSplashScreen::isTypeOf(const char* className) const
{
    return (className && std::strcmp(className, "CSplashScreen") == 0) ||
           CControl::isTypeOf(className);
}

} // namespace VSTGUI
