// Geometry, colours and input constants of the toolkit. Coordinates are
// pixels, x to the right and y downwards.
#pragma once

#include <algorithm>
#include <cstdint>

namespace VSTGUI
{

using CCoord = double;

struct CPoint
{
    CCoord x = 0;
    CCoord y = 0;

    CPoint() = default;
    CPoint(CCoord px, CCoord py) : x(px), y(py) {}
    bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
};

struct CRect
{
    CCoord left = 0;
    CCoord top = 0;
    CCoord right = 0;
    CCoord bottom = 0;

    CRect() = default;
    CRect(CCoord l, CCoord t, CCoord r, CCoord b) : left(l), top(t), right(r), bottom(b) {}

    CCoord getWidth() const { return right - left; }
    CCoord getHeight() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool pointInside(const CPoint& p) const
    {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    bool rectOverlap(const CRect& o) const
    {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    CRect& offset(CCoord dx, CCoord dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
        return *this;
    }
    CRect& moveTo(CCoord x, CCoord y) { return offset(x - left, y - top); }
    CRect& bound(const CRect& o)
    {
        left = std::max(left, o.left);
        top = std::max(top, o.top);
        right = std::max(left, std::min(right, o.right));
        bottom = std::max(top, std::min(bottom, o.bottom));
        return *this;
    }
    CRect& unite(const CRect& o)
    {
        left = std::min(left, o.left);
        top = std::min(top, o.top);
        right = std::max(right, o.right);
        bottom = std::max(bottom, o.bottom);
        return *this;
    }
    bool operator==(const CRect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

struct CColor
{
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;
    bool operator==(const CColor& o) const
    {
        return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
    }
};

constexpr CColor kBlackCColor{0, 0, 0, 255};
constexpr CColor kWhiteCColor{255, 255, 255, 255};
constexpr CColor kGreyCColor{127, 127, 127, 255};
constexpr CColor kTransparentCColor{0, 0, 0, 0};

// Mouse buttons and modifier keys held during a mouse event.
enum CButton : std::uint32_t
{
    kLButton = 1 << 1,
    kMButton = 1 << 2,
    kRButton = 1 << 3,
    kShift = 1 << 4,
    kControl = 1 << 5,
    kAlt = 1 << 6,
    kButton4 = 1 << 7,
    kButton5 = 1 << 8,
    kDoubleClick = 1 << 9,
};
using CButtonState = std::uint32_t;

enum CMouseEventResult
{
    kMouseEventNotHandled = 0,
    kMouseEventHandled,
};

enum CHoriTxtAlign
{
    kLeftText,
    kCenterText,
    kRightText,
};

// How a knob follows the mouse; the first three are the VST 3 host knob modes.
enum CKnobMode : std::int32_t
{
    kCircularMode = 0,
    kRelativCircularMode = 1,
    kLinearMode = 2,
    // The host asked for no mode: a vertical drag over the knob's own range,
    // the gesture users try first.
    kNoHostKnobMode = -1,
};

} // namespace VSTGUI
