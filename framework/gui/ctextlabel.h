// A control that shows one line of text on an optional background and
// frame: CParamDisplay shows it, CTextLabel holds a fixed text.
#pragma once

#include "gui/ccontrol.h"
#include "gui/cdrawcontext.h"

#include <string>

namespace VSTGUI
{

enum CParamDisplayStyle : std::int32_t
{
    kNoFrame = 1 << 0,
};

class CParamDisplay : public CControl
{
public:
    CParamDisplay(const CRect& size, CBitmap* background = nullptr, std::int32_t style = 0);

    void setFontColor(const CColor& c)
    {
        fontColor = c;
        setDirty();
    }
    void setBackColor(const CColor& c)
    {
        backColor = c;
        setDirty();
    }
    void setFrameColor(const CColor& c)
    {
        frameColor = c;
        setDirty();
    }
    const CColor& getFontColor() const { return fontColor; }
    const CColor& getBackColor() const { return backColor; }
    const CColor& getFrameColor() const { return frameColor; }
    void setFont(const CFontDesc& f)
    {
        font = f;
        setDirty();
    }
    const CFontDesc& getFont() const { return font; }
    void setHoriAlign(CHoriTxtAlign a)
    {
        horiAlign = a;
        setDirty();
    }
    void setStyle(std::int32_t s)
    {
        style = s;
        setDirty();
    }
    std::int32_t getStyle() const { return style; }
    // A transparent display draws neither background nor frame.
    void setTransparency(bool state)
    {
        transparent = state;
        setDirty();
    }
    bool getTransparency() const { return transparent; }

    bool isTypeOf(const char* className) const override;

protected:
    void drawBack(CDrawContext* context);
    void drawText(CDrawContext* context, const std::string& text);

    CColor fontColor = kWhiteCColor;
    CColor backColor = kBlackCColor;
    CColor frameColor = kBlackCColor;
    CFontDesc font;
    CHoriTxtAlign horiAlign = kCenterText;
    std::int32_t style;
    bool transparent = false;
};

class CTextLabel : public CParamDisplay
{
public:
    CTextLabel(const CRect& size, const char* text = nullptr, CBitmap* background = nullptr,
               std::int32_t style = 0);

    void setText(const char* text);
    const std::string& getText() const { return text; }

    void draw(CDrawContext* context) override;
    bool isTypeOf(const char* className) const override;
    CView* newCopy() const override { return new CTextLabel(*this); }

protected:
    std::string text;
};

} // namespace VSTGUI
