#include "gui/cdrawcontext.h"

#include "gui/cbitmap.h"

#include <windows.h>
// after windows.h, which it builds on
#include <gdiplus.h>

namespace VSTGUI
{
namespace
{

Gdiplus::Color toGdiplus(const CColor& c)
{
    return Gdiplus::Color(c.alpha, c.red, c.green, c.blue);
}

Gdiplus::RectF toGdiplus(const CRect& r)
{
    return Gdiplus::RectF(static_cast<Gdiplus::REAL>(r.left), static_cast<Gdiplus::REAL>(r.top),
                          static_cast<Gdiplus::REAL>(r.getWidth()),
                          static_cast<Gdiplus::REAL>(r.getHeight()));
}

std::wstring toWide(const std::string& text)
{
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            length);
    return wide;
}

} // namespace

// Pixel centres at half coordinates, as in cairo: a one-pixel line half a
// unit inside a rectangle covers whole pixels on both backends.
CDrawContext::CDrawContext(Gdiplus::Graphics* context) : cr(context)
{
    cr->SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    cr->SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    cr->SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
}

void CDrawContext::drawRect(const CRect& rect, CDrawStyle style)
{
    if (style != kDrawStroked)
    {
        Gdiplus::SolidBrush brush(toGdiplus(fillColor));
        cr->FillRectangle(&brush, toGdiplus(rect));
    }
    if (style != kDrawFilled)
    {
        const CCoord inset = lineWidth / 2;
        Gdiplus::Pen pen(toGdiplus(frameColor), static_cast<Gdiplus::REAL>(lineWidth));
        cr->DrawRectangle(&pen, static_cast<Gdiplus::REAL>(rect.left + inset),
                          static_cast<Gdiplus::REAL>(rect.top + inset),
                          static_cast<Gdiplus::REAL>(rect.getWidth() - lineWidth),
                          static_cast<Gdiplus::REAL>(rect.getHeight() - lineWidth));
    }
}

void CDrawContext::drawString(const std::string& text, const CRect& rect, CHoriTxtAlign align)
{
    if (text.empty() || rect.isEmpty())
        return;
    const std::wstring wide = toWide(text);
    const std::wstring family = toWide(font.name);
    const INT style = font.bold ? Gdiplus::FontStyleBold : Gdiplus::FontStyleRegular;
    const auto size = static_cast<Gdiplus::REAL>(font.size);
    Gdiplus::Font named(family.c_str(), size, style, Gdiplus::UnitPixel);
    // A system without the named family still shows the text.
    Gdiplus::Font fallback(Gdiplus::FontFamily::GenericSansSerif(), size, style,
                           Gdiplus::UnitPixel);
    const Gdiplus::Font* chosen = named.IsAvailable() ? &named : &fallback;

    Gdiplus::StringFormat format;
    format.SetAlignment(align == kCenterText  ? Gdiplus::StringAlignmentCenter
                        : align == kRightText ? Gdiplus::StringAlignmentFar
                                              : Gdiplus::StringAlignmentNear);
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);
    Gdiplus::SolidBrush brush(toGdiplus(fontColor));
    saveState();
    clipRect(rect);
    cr->DrawString(wide.c_str(), static_cast<INT>(wide.size()), chosen, toGdiplus(rect), &format,
                   &brush);
    restoreState();
}

void CDrawContext::drawBitmap(const CBitmap& bitmap, const CRect& dest, const CPoint& offset)
{
    Gdiplus::Bitmap* image = bitmap.surface();
    if (!image || dest.isEmpty())
        return;
    const INT width = static_cast<INT>(image->GetWidth());
    const INT height = static_cast<INT>(image->GetHeight());
    saveState();
    clipRect(dest);
    // Whole pixels, unscaled: the picture's own resolution must not matter.
    cr->DrawImage(image,
                  Gdiplus::Rect(static_cast<INT>(dest.left - offset.x),
                                static_cast<INT>(dest.top - offset.y), width, height),
                  0, 0, width, height, Gdiplus::UnitPixel);
    restoreState();
}

void CDrawContext::saveState()
{
    savedStates.push_back(cr->Save());
}

void CDrawContext::restoreState()
{
    if (savedStates.empty())
        return;
    cr->Restore(savedStates.back());
    savedStates.pop_back();
}

void CDrawContext::clipRect(const CRect& rect)
{
    cr->SetClip(toGdiplus(rect), Gdiplus::CombineModeIntersect);
}

} // namespace VSTGUI
