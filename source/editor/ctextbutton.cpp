#include "editor/ctextbutton.h"

#include <cstring>

namespace Kestrum
{

using namespace VSTGUI;

CTextButton::CTextButton(const CRect& size, IControlListener* buttonListener,
                         std::int32_t buttonTag, const char* label)
    : CTextLabel(size, nullptr, nullptr, 0)
{
    setListener(buttonListener);
    setTag(buttonTag);
    setText(label);
}

void CTextButton::draw(CDrawContext* context)
{
    if (!context)
        return;
    context->setFillColor(kGreyCColor);
    context->setFrameColor(kBlackCColor);
    context->setLineWidth(1);
    context->drawRect(size, kDrawFilledAndStroked);
    CTextLabel::draw(context);
}

CMouseEventResult CTextButton::onMouseDown(CPoint& /*where*/, const CButtonState& /*buttons*/)
{
    if (listener)
        listener->valueChanged(this);
    return kMouseEventHandled;
}

bool CTextButton::isTypeOf(const char* className) const
{
    if (!className)
        return false;
    return std::strcmp(className, "CTextButton") == 0 || std::strcmp(className, "CControl") == 0 ||
           std::strcmp(className, "CView") == 0;
}

} // namespace Kestrum
