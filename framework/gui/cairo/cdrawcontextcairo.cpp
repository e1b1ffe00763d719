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
        // Scaled, whole device pixels, as clipRect does: no seam between
        // neighbouring rectangles.
        const cairo_antialias_t antialias = cairo_get_antialias(cr);
        if (scale != 1)
            cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_fill(cr);
        cairo_set_antialias(cr, antialias);
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
    int density = 1;
    cairo_surface_t* surface = bitmap.surfaceFor(scale, density);
    if (!surface || dest.isEmpty())
        return;
    saveState();
    clipRect(dest);
    if (scale == 1 && density == 1)
    {
        // Pixel for pixel, exactly as an unscaled editor always drew.
        cairo_set_source_surface(cr, surface, dest.left - offset.x, dest.top - offset.y);
    }
    else
    {
        cairo_pattern_t* pattern = cairo_pattern_create_for_surface(surface);
        cairo_matrix_t matrix;
        cairo_matrix_init_scale(&matrix, density, density);
        cairo_matrix_translate(&matrix, offset.x - dest.left, offset.y - dest.top);
        cairo_pattern_set_matrix(pattern, &matrix);
        // Bilinear up, averaging down; an exact fit (2x at 2.0) copies pixels.
        cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
        // Edge pixels continue outwards: the filter never blends in the
        // transparent nothing beyond the picture.
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
        cairo_set_source(cr, pattern);
        cairo_pattern_destroy(pattern);
    }
    cairo_paint(cr);
    restoreState();
}

void CDrawContext::scaleBy(double factor)
{
    if (factor == 1 || !(factor > 0))
        return;
    cairo_scale(cr, factor, factor);
    scale *= factor;
}

void CDrawContext::saveState()
{
    cairo_save(cr);
    savedScales.push_back(scale);
}

void CDrawContext::restoreState()
{
    cairo_restore(cr);
    if (!savedScales.empty())
    {
        scale = savedScales.back();
        savedScales.pop_back();
    }
}

void CDrawContext::clipRect(const CRect& rect)
{
    cairo_rectangle(cr, rect.left, rect.top, rect.getWidth(), rect.getHeight());
    if (scale == 1)
    {
        cairo_clip(cr);
        return;
    }
    // Scaled, a rectangle's edge may fall inside a device pixel: a soft clip
    // would leave that pixel part-covered by both neighbours, showing what
    // was beneath. Whole pixels instead, each to the side holding its centre.
    const cairo_antialias_t antialias = cairo_get_antialias(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_clip(cr);
    cairo_set_antialias(cr, antialias);
}

} // namespace VSTGUI
