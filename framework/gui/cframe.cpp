#include "gui/cframe.h"

#include "gui/cbitmap.h"
#include "gui/cdrawcontext.h"
#include "gui/vstguieditorinterface.h"

#include <algorithm>
#include <cstring>

namespace VSTGUI
{

CFrame::CFrame(const CRect& rect, void* parent, VSTGUIEditorInterface* owner)
    : CView(rect), editor(owner)
{
    frame = this;
    if (parent && editor)
        platform = createPlatformFrame(*this, parent, rect, editor->getRunLoop());
}

CFrame::~CFrame()
{
    // The window goes first, so no event reaches a half-destroyed frame.
    platform.reset();
    modalView = {};
    mouseDownView = {};
    for (auto& view : views)
        view->removed();
    views.clear();
}

bool CFrame::addView(CView* view)
{
    if (!view || view == this)
        return false;
    views.push_back(SharedPointer<CView>::adopt(view));
    view->attached(this);
    view->invalid();
    return true;
}

bool CFrame::removeView(CView* view)
{
    auto it = std::find_if(views.begin(), views.end(),
                           [view](const SharedPointer<CView>& v) { return v.get() == view; });
    if (it == views.end())
        return false;
    invalidRect(view->getViewSize());
    if (mouseDownView.get() == view)
        mouseDownView = {};
    view->removed();
    views.erase(it);
    return true;
}

CView* CFrame::getView(int index) const
{
    if (index < 0 || index >= getNbViews())
        return nullptr;
    return views[static_cast<std::size_t>(index)].get();
}

void CFrame::setBackgroundColor(const CColor& color)
{
    backgroundColor = color;
    invalidRect(size);
}

void CFrame::setBackground(CBitmap* bitmap)
{
    background = SharedPointer<CBitmap>(bitmap);
    invalidRect(size);
}

bool CFrame::setModalView(CView* view)
{
    if (view && modalView)
        return false;
    if (modalView)
    {
        invalidRect(modalView->getViewSize());
        modalView->removed();
    }
    mouseDownView = {};
    modalView = SharedPointer<CView>(view);
    if (view)
    {
        view->attached(this);
        view->invalid();
    }
    return true;
}

void CFrame::draw(CDrawContext* context)
{
    drawRect(context, size);
}

void CFrame::drawRect(CDrawContext* context, const CRect& updateRect)
{
    if (!context)
        return;
    CRect area = updateRect;
    area.bound(size);
    if (area.isEmpty())
        return;
    context->saveState();
    context->clipRect(area);
    context->setFillColor(backgroundColor);
    context->drawRect(size, kDrawFilled);
    if (background)
        context->drawBitmap(*background,
                            CRect(0, 0, background->getWidth(), background->getHeight()),
                            CPoint(0, 0));
    for (auto& view : views)
    {
        if (view->getViewSize().rectOverlap(area))
            view->draw(context);
        view->setDirty(false);
    }
    if (modalView)
    {
        modalView->draw(context);
        modalView->setDirty(false);
    }
    context->restoreState();
}

CView* CFrame::viewAt(const CPoint& where) const
{
    if (modalView)
        return modalView->getMouseableArea().pointInside(where) ? modalView.get() : nullptr;
    for (auto it = views.rbegin(); it != views.rend(); ++it)
    {
        if ((*it)->getMouseableArea().pointInside(where))
            return it->get();
    }
    return nullptr;
}

CMouseEventResult CFrame::onMouseDown(CPoint& where, const CButtonState& buttons)
{
    // The view is held across the call: its own handler may remove it.
    SharedPointer<CView> target(viewAt(where));
    if (!target)
        return kMouseEventNotHandled;
    const CMouseEventResult result = target->onMouseDown(where, buttons);
    if (result == kMouseEventHandled && target->getFrame() == this)
        mouseDownView = target;
    return result;
}

CMouseEventResult CFrame::onMouseUp(CPoint& where, const CButtonState& buttons)
{
    SharedPointer<CView> target = mouseDownView;
    mouseDownView = {};
    if (!target)
        return kMouseEventNotHandled;
    return target->onMouseUp(where, buttons);
}

CMouseEventResult CFrame::onMouseMoved(CPoint& where, const CButtonState& buttons)
{
    SharedPointer<CView> target = mouseDownView;
    if (!target)
        return kMouseEventNotHandled;
    return target->onMouseMoved(where, buttons);
}

bool CFrame::onWheel(const CPoint& where, float distance, const CButtonState& buttons)
{
    if (mouseDownView)
        return false;
    SharedPointer<CView> target(viewAt(where));
    return target && target->onWheel(where, distance, buttons);
}

void CFrame::idle()
{
    for (auto& view : views)
    {
        if (view->isDirty())
            view->invalid();
    }
    if (modalView && modalView->isDirty())
        modalView->invalid();
    if (platform)
        platform->redrawInvalid();
}

void CFrame::platformOnIdle()
{
    idle();
}

void CFrame::invalidRect(const CRect& rect)
{
    if (platform)
        platform->invalidRect(rect);
}

void CFrame::setSize(CCoord width, CCoord height)
{
    size = CRect(size.left, size.top, size.left + width, size.top + height);
    mouseableArea = size;
    if (platform)
    {
        platform->setSize(size);
        platform->invalidRect(size);
    }
}

bool CFrame::isTypeOf(const char* className) const
{
    return (className && std::strcmp(className, "CFrame") == 0) || CView::isTypeOf(className);
}

void CFrame::platformDrawRect(CDrawContext& context, const CRect& updateRect)
{
    drawRect(&context, updateRect);
    drawMargin(context, updateRect);
}

void CFrame::drawMargin(CDrawContext& context, const CRect& updateRect)
{
    const CRect right(size.right, size.top, updateRect.right, size.bottom);
    const CRect below(size.left, size.bottom, size.right, updateRect.bottom);
    const CRect corner(size.right, size.bottom, updateRect.right, updateRect.bottom);
    if (right.isEmpty() && below.isEmpty())
        return;
    context.saveState();
    context.clipRect(updateRect);
    const bool hasPicture = background && background->getWidth() > 0 && background->getHeight() > 0;
    const CCoord lastColumn = hasPicture ? std::min(background->getWidth(), size.right) - 1 : 0;
    const CCoord lastRow = hasPicture ? std::min(background->getHeight(), size.bottom) - 1 : 0;
    const auto fill = [&context](const CRect& r, const CColor& colour)
    {
        context.setFillColor(colour);
        if (!r.isEmpty())
            context.drawRect(r, kDrawFilled);
    };
    // The corner beyond both edges takes the picture's corner pixel.
    CColor cornerColour = backgroundColor;
    if (hasPicture)
        background->getPixel(static_cast<int>(lastColumn), static_cast<int>(lastRow), cornerColour);
    fill(corner, cornerColour);
    if (!hasPicture)
    {
        fill(right, backgroundColor);
        fill(below, backgroundColor);
    }
    else
    {
        // The picture's edge, drawn on outwards: the margin continues the
        // background seamlessly.
        for (CCoord x = std::max(right.left, updateRect.left); x < right.right; ++x)
            context.drawBitmap(*background, CRect(x, right.top, x + 1, right.bottom),
                               CPoint(lastColumn, right.top));
        for (CCoord y = std::max(below.top, updateRect.top); y < below.bottom; ++y)
            context.drawBitmap(*background, CRect(below.left, y, below.right, y + 1),
                               CPoint(below.left, lastRow));
    }
    context.restoreState();
}

CMouseEventResult CFrame::platformOnMouseDown(CPoint& where, const CButtonState& buttons)
{
    // A listener may close the editor and so release the frame while it
    // handles the event: it lives until the handling is over.
    SharedPointer<CFrame> keepAlive(this);
    return onMouseDown(where, buttons);
}

CMouseEventResult CFrame::platformOnMouseUp(CPoint& where, const CButtonState& buttons)
{
    // A listener may close the editor and so release the frame while it
    // handles the event: it lives until the handling is over.
    SharedPointer<CFrame> keepAlive(this);
    return onMouseUp(where, buttons);
}

CMouseEventResult CFrame::platformOnMouseMoved(CPoint& where, const CButtonState& buttons)
{
    // A listener may close the editor and so release the frame while it
    // handles the event: it lives until the handling is over.
    SharedPointer<CFrame> keepAlive(this);
    return onMouseMoved(where, buttons);
}

bool CFrame::platformOnWheel(const CPoint& where, float distance, const CButtonState& buttons)
{
    SharedPointer<CFrame> keepAlive(this);
    return onWheel(where, distance, buttons);
}

} // namespace VSTGUI
