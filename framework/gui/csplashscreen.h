// A click area that shows a picture as the frame's modal view; a click on
// the shown picture closes it again. The value is 1 while it is shown, and
// the listener hears of both changes.
#pragma once

#include "gui/ccontrol.h"

namespace VSTGUI
{

class CSplashScreen;

// The modal view a splash screen shows: its picture, closed by a click.
class CDefaultSplashScreenView : public CView
{
public:
    CDefaultSplashScreenView(const CRect& size, CSplashScreen* owner, CBitmap* bitmap,
                             const CPoint& offset);
    ~CDefaultSplashScreenView() override;
    CDefaultSplashScreenView(const CDefaultSplashScreenView&) = delete;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    void detachOwner() { owner = nullptr; }

private:
    CSplashScreen* owner;
    CBitmap* bitmap;
    CPoint offset;
};

class CSplashScreen : public CControl
{
public:
    // size is the area that reacts to a click; toDisplay where the picture shows.
    CSplashScreen(const CRect& size, IControlListener* listener, std::int32_t tag,
                  CBitmap* background, const CRect& toDisplay, const CPoint& offset);
    ~CSplashScreen() override;
    CSplashScreen(const CSplashScreen&) = delete;

    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    // Closes the shown picture.
    void unSplash();
    bool isSplashShown() const;

    bool isTypeOf(const char* className) const override;
    CView* newCopy() const override { return nullptr; }

private:
    CDefaultSplashScreenView* modalView;
};

} // namespace VSTGUI
