#include "gui/cdrawcontext.h"

#include "gui/cbitmap.h"

namespace VSTGUI
{

namespace
{

void setSource(cairo_t* cr, const CColor& c)
{
    cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

} // namespace

CDrawContext::CDrawContext(cairo_t* context) : cr(context) {}

void CDrawContext::drawRect(const CRect& rect, CDrawStyle style)
{
    if (style != kDrawStroked)
    {
        setSource(cr, fillColor);
        cairo_rectangle(cr, rect.left, rect.top, rect.getWidth(), rect.getHeight());
        cairo_fill(cr);
    }
    if (style != kDrawFilled)
    {
        // Half a line inside the rectangle, so a one-pixel line covers whole pixels.
        const CCoord inset = lineWidth / 2;
        setSource(cr, frameColor);
        cairo_set_line_width(cr, lineWidth);
        cairo_rectangle(cr, rect.left + inset, rect.top + inset, rect.getWidth() - lineWidth,
                        rect.getHeight() - lineWidth);
        cairo_stroke(cr);
    }
}

void CDrawContext::drawString(const std::string& text, const CRect& rect, CHoriTxtAlign align)
{
    if (text.empty() || rect.isEmpty())
        return;
    saveState();
    clipRect(rect);
    cairo_select_font_face(cr, font.name.c_str(), CAIRO_FONT_SLANT_NORMAL,
                           font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, font.size);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, text.c_str(), &ext);
    cairo_font_extents_t fext;
    cairo_font_extents(cr, &fext);
    CCoord x = rect.left;
    if (align == kCenterText)
        x = rect.left + (rect.getWidth() - ext.x_advance) / 2;
    else if (align == kRightText)
        x = rect.right - ext.x_advance;
    const CCoord y = rect.top + (rect.getHeight() + fext.ascent - fext.descent) / 2;
    setSource(cr, fontColor);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text.c_str());
    restoreState();
}

void CDrawContext::drawBitmap(const CBitmap& bitmap, const CRect& dest, const CPoint& offset)
{
    cairo_surface_t* surface = bitmap.surface();
    if (!surface || dest.isEmpty())
        return;
    saveState();
    clipRect(dest);
    cairo_set_source_surface(cr, surface, dest.left - offset.x, dest.top - offset.y);
    cairo_paint(cr);
    restoreState();
}

void CDrawContext::saveState()
{
    cairo_save(cr);
}

void CDrawContext::restoreState()
{
    cairo_restore(cr);
}

void CDrawContext::clipRect(const CRect& rect)
{
    cairo_rectangle(cr, rect.left, rect.top, rect.getWidth(), rect.getHeight());
    cairo_clip(cr);
}

} // namespace VSTGUI
