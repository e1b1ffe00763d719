#include "gui/cview.h"

#include "gui/cframe.h"

#include <cstring>

namespace VSTGUI
{

CView::CView(const CRect& rect) : size(rect), mouseableArea(rect) {}

// A copy belongs to no frame until it is added to one.
CView::CView(const CView& other)
    : CBaseObject(other), size(other.size), mouseableArea(other.mouseableArea)
{
}

bool CView::isTypeOf(const char* className) const
{
    return className && std::strcmp(className, "CView") == 0;
}

void CView::setViewSize(const CRect& rect)
{
    size = rect;
    mouseableArea = rect;
    setDirty();
}

void CView::invalid()
{
    dirty = false;
    if (frame)
        frame->invalidRect(size);
}

} // namespace VSTGUI
