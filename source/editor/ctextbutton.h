// A push button made of a text label: every press of any mouse button is
// reported to the listener once; it has no state and never changes its value.
#pragma once

#include "gui/ctextlabel.h"

namespace Kestrum
{

class CTextButton : public VSTGUI::CTextLabel
{
public:
    CTextButton(const VSTGUI::CRect& size, VSTGUI::IControlListener* listener, std::int32_t tag,
                const char* label);

    void draw(VSTGUI::CDrawContext* context) override;
    VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where,
                                          const VSTGUI::CButtonState& buttons) override;
    // Only its own name and "CControl"/"CView": callers test for a button,
    // not for a label.
    bool isTypeOf(const char* className) const override;
    VSTGUI::CView* newCopy() const override { return new CTextButton(*this); }
};

} // namespace Kestrum
