// Drawing state and primitives over the backend's context (cairo, GDI+).
// The same context type draws into a window and into an offscreen image.
#pragma once

#include "gui/cgraphics.h"

#include "drawingbackend.h"

#include <string>
#include <vector>

namespace VSTGUI
{

class CBitmap;

struct CFontDesc
{
    std::string name = "Arial";
    CCoord size = 12;
    bool bold = false;
};

enum CDrawStyle
{
    kDrawStroked,
    kDrawFilled,
    kDrawFilledAndStroked,
};

class CDrawContext
{
public:
    // Draws through `context`, which the caller keeps alive and owns.
    explicit CDrawContext(PlatformContext* context);
    CDrawContext(const CDrawContext&) = delete;
    CDrawContext& operator=(const CDrawContext&) = delete;

    void setFillColor(const CColor& c) { fillColor = c; }
    void setFrameColor(const CColor& c) { frameColor = c; }
    void setFontColor(const CColor& c) { fontColor = c; }
    void setLineWidth(CCoord width) { lineWidth = width; }
    void setFont(const CFontDesc& f) { font = f; }
    const CColor& getFillColor() const { return fillColor; }
    const CColor& getFrameColor() const { return frameColor; }
    const CColor& getFontColor() const { return fontColor; }

    void drawRect(const CRect& rect, CDrawStyle style = kDrawStroked);
    // One line of text inside rect, clipped to it, centred vertically.
    void drawString(const std::string& text, const CRect& rect, CHoriTxtAlign align = kCenterText);
    // The part of the picture that starts at offset, into dest. Offsets and
    // rectangles are in the picture's 1x pixels; at a scale of 1.5 and above
    // its 2x version is drawn, scaled with good filtering as needed.
    void drawBitmap(const CBitmap& bitmap, const CRect& dest, const CPoint& offset);

    // Further drawing is magnified by `factor` (on top of any earlier
    // scale) until the matching restoreState; a factor of 1 changes nothing.
    void scaleBy(double factor);
    // Device pixels per unit of the coordinates drawn in.
    double getScaleFactor() const { return scale; }

    // Further drawing is limited to rect (within any earlier clip) until
    // the matching restoreState.
    void saveState();
    void restoreState();
    void clipRect(const CRect& rect);

    PlatformContext* native() const { return cr; }

private:
    PlatformContext* cr;
    CColor fillColor = kWhiteCColor;
    CColor frameColor = kBlackCColor;
    CColor fontColor = kWhiteCColor;
    CCoord lineWidth = 1;
    CFontDesc font;
    double scale = 1;
    // For backends whose context keeps no stack of saved states.
    std::vector<unsigned> savedStates;
    std::vector<double> savedScales;
};

} // namespace VSTGUI
