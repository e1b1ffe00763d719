#include "gui/ctextlabel.h"

#include "gui/cbitmap.h"

#include <cstring>

namespace VSTGUI
{

CParamDisplay::CParamDisplay(const CRect& rect, CBitmap* bitmap, std::int32_t displayStyle)
    : CControl(rect, nullptr, 0, bitmap), style(displayStyle)
{
}

void CParamDisplay::drawBack(CDrawContext* context)
{
    if (background)
    {
        context->drawBitmap(*background, size, backOffset);
        return;
    }
    if (transparent)
        return;
    context->setFillColor(backColor);
    context->drawRect(size, kDrawFilled);
    if (!(style & kNoFrame))
    {
        context->setFrameColor(frameColor);
        context->setLineWidth(1);
        context->drawRect(size, kDrawStroked);
    }
}

void CParamDisplay::drawText(CDrawContext* context, const std::string& string)
{
    context->setFont(font);
    context->setFontColor(fontColor);
    context->drawString(string, size, horiAlign);
}

bool CParamDisplay::isTypeOf(const char* className) const
{
    return (className && std::strcmp(className, "CParamDisplay") == 0) ||
           CControl::isTypeOf(className);
}

CTextLabel::CTextLabel(const CRect& rect, const char* labelText, CBitmap* bitmap,
                       std::int32_t displayStyle)
    : CParamDisplay(rect, bitmap, displayStyle)
{
    setText(labelText);
}

void CTextLabel::setText(const char* newText)
{
    text = newText ? newText : "";
    setDirty();
}

void CTextLabel::draw(CDrawContext* context)
{
    if (!context)
        return;
    drawBack(context);
    drawText(context, text);
    setDirty(false);
}

bool CTextLabel::isTypeOf(const char* className) const
{
    return (className && std::strcmp(className, "CTextLabel") == 0) ||
           CParamDisplay::isTypeOf(className);
}

} // namespace VSTGUI
