#include "gui/cdrawcontext.h"

#include "gui/cbitmap.h"

#include <windows.h>
// after windows.h, which it builds on
#include <gdiplus.h>

#include <algorithm>
#include <cwchar>
#include <memory>

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
    if (style != kDrawFilled && lineWidth > 0)
    {
        // The frame as four bands just inside the rectangle: whole pixels, as
        // cairo strokes them, whatever a GDI+ implementation does with pens.
        Gdiplus::SolidBrush brush(toGdiplus(frameColor));
        const CCoord w = std::min(lineWidth, std::min(rect.getWidth(), rect.getHeight()) / 2);
        const CRect bands[] = {
            CRect(rect.left, rect.top, rect.right, rect.top + w),
            CRect(rect.left, rect.bottom - w, rect.right, rect.bottom),
            CRect(rect.left, rect.top + w, rect.left + w, rect.bottom - w),
            CRect(rect.right - w, rect.top + w, rect.right, rect.bottom - w),
        };
        for (const CRect& band : bands)
        {
            if (!band.isEmpty())
                cr->FillRectangle(&brush, toGdiplus(band));
        }
    }
}

void CDrawContext::drawString(const std::string& text, const CRect& rect, CHoriTxtAlign align)
{
    if (text.empty() || rect.isEmpty())
        return;
    const std::wstring wide = toWide(text);
    const std::wstring family = toWide(font.name);
    const INT style = font.bold ? Gdiplus::FontStyleBold : Gdiplus::FontStyleRegular;
    Gdiplus::Font named(family.c_str(), static_cast<Gdiplus::REAL>(font.size), style,
                        Gdiplus::UnitPixel);
    // A system without the family (Wine has no Arial) still shows the text:
    // GDI's font mapper picks the nearest font it has.
    std::unique_ptr<Gdiplus::Font> mapped;
    if (!named.IsAvailable())
    {
        LOGFONTW description = {};
        description.lfHeight = -static_cast<LONG>(font.size);
        description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
        description.lfCharSet = DEFAULT_CHARSET;
        description.lfQuality = ANTIALIASED_QUALITY;
        wcsncpy(description.lfFaceName, family.c_str(), LF_FACESIZE - 1);
        HDC screen = CreateCompatibleDC(nullptr);
        mapped = std::make_unique<Gdiplus::Font>(screen, &description);
        DeleteDC(screen);
        if (!mapped->IsAvailable())
            return;
    }
    const Gdiplus::Font* chosen = mapped ? mapped.get() : &named;

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
    int density = 1;
    Gdiplus::Bitmap* image = bitmap.surfaceFor(scale, density);
    if (!image || dest.isEmpty())
        return;
    const INT width = static_cast<INT>(image->GetWidth());
    const INT height = static_cast<INT>(image->GetHeight());
    saveState();
    clipRect(dest);
    if (scale == 1 && density == 1)
    {
        // Whole pixels, unscaled: the picture's own resolution must not matter.
        cr->DrawImage(image,
                      Gdiplus::Rect(static_cast<INT>(dest.left - offset.x),
                                    static_cast<INT>(dest.top - offset.y), width, height),
                      0, 0, width, height, Gdiplus::UnitPixel);
    }
    else
    {
        // In the 1x coordinates drawn in: the world transform does the rest.
        // Mirrored edges: the filter never blends in the nothing beyond.
        cr->SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        Gdiplus::ImageAttributes edges;
        edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
        cr->DrawImage(image,
                      Gdiplus::RectF(static_cast<Gdiplus::REAL>(dest.left - offset.x),
                                     static_cast<Gdiplus::REAL>(dest.top - offset.y),
                                     static_cast<Gdiplus::REAL>(width) / density,
                                     static_cast<Gdiplus::REAL>(height) / density),
                      0, 0, static_cast<Gdiplus::REAL>(width), static_cast<Gdiplus::REAL>(height),
                      Gdiplus::UnitPixel, &edges);
    }
    restoreState();
}

void CDrawContext::scaleBy(double factor)
{
    if (factor == 1 || !(factor > 0))
        return;
    cr->ScaleTransform(static_cast<Gdiplus::REAL>(factor), static_cast<Gdiplus::REAL>(factor));
    scale *= factor;
}

void CDrawContext::saveState()
{
    savedStates.push_back(cr->Save());
    savedScales.push_back(scale);
}

void CDrawContext::restoreState()
{
    if (savedStates.empty())
        return;
    cr->Restore(savedStates.back());
    savedStates.pop_back();
    scale = savedScales.back();
    savedScales.pop_back();
}

void CDrawContext::clipRect(const CRect& rect)
{
    cr->SetClip(toGdiplus(rect), Gdiplus::CombineModeIntersect);
}

} // namespace VSTGUI
