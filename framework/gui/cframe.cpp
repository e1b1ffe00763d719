#include "gui/cframe.h"

#include "gui/cbitmap.h"
#include "gui/cdrawcontext.h"
#include "gui/vstguieditorinterface.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace VSTGUI
{

CFrame::CFrame(const CRect& rect, void* parent, VSTGUIEditorInterface* owner)
    : CView(rect), editor(owner)
{
    frame = this;
    if (editor && std::isfinite(editor->getScaleFactor()) && editor->getScaleFactor() > 0)
        scale = editor->getScaleFactor();
    if (parent && editor)
        platform = createPlatformFrame(*this, parent, toDevice(rect), editor->getRunLoop());
}

int CFrame::toDevicePixels(CCoord logical) const
{
    return static_cast<int>(std::lround(logical * scale));
}

// Outwards to whole device pixels: nothing partly covered is left out.
CRect CFrame::toDevice(const CRect& r) const
{
    if (scale == 1)
        return r;
    return CRect(std::floor(r.left * scale), std::floor(r.top * scale), std::ceil(r.right * scale),
                 std::ceil(r.bottom * scale));
}

CPoint CFrame::toLogical(const CPoint& device) const
{
    return scale == 1 ? device : CPoint(device.x / scale, device.y / scale);
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
        platform->invalidRect(toDevice(rect));
}

void CFrame::setSize(CCoord width, CCoord height)
{
    size = CRect(size.left, size.top, size.left + width, size.top + height);
    mouseableArea = size;
    if (platform)
    {
        const CRect device(0, 0, toDevicePixels(size.right), toDevicePixels(size.bottom));
        platform->setSize(device);
        platform->invalidRect(device);
    }
}

void CFrame::setDeviceSize(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    // A hair's tolerance: 338 device pixels at 1.25 are 270 logical ones.
    const auto fit = [this](int device) { return std::floor(device / scale + 1e-6); };
    size = CRect(size.left, size.top, size.left + fit(width), size.top + fit(height));
    mouseableArea = size;
    if (platform)
    {
        const CRect device(0, 0, width, height);
        platform->setSize(device);
        platform->invalidRect(device);
    }
}

void CFrame::setScaleFactor(double factor)
{
    if (!std::isfinite(factor) || factor <= 0 || factor == scale)
        return;
    scale = factor;
    setSize(size.getWidth(), size.getHeight());
}

void CFrame::platformOnScaleChanged(double factor)
{
    // The editor decides: a scale the host gave outranks the window system's.
    if (editor)
        editor->onPlatformScaleChanged(factor);
}

bool CFrame::isTypeOf(const char* className) const
{
    return (className && std::strcmp(className, "CFrame") == 0) || CView::isTypeOf(className);
}

void CFrame::platformDrawRect(CDrawContext& context, const CRect& updateRect)
{
    paint(context, updateRect);
}

void CFrame::paint(CDrawContext& context, const CRect& devicePixels)
{
    context.saveState();
    context.scaleBy(scale);
    // Exact quotients: the clip lands on the device pixels asked for.
    const CRect area(devicePixels.left / scale, devicePixels.top / scale,
                     devicePixels.right / scale, devicePixels.bottom / scale);
    drawRect(&context, area);
    drawMargin(context, area);
    context.restoreState();
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
    CPoint logical = toLogical(where);
    return onMouseDown(logical, buttons);
}

CMouseEventResult CFrame::platformOnMouseUp(CPoint& where, const CButtonState& buttons)
{
    // A listener may close the editor and so release the frame while it
    // handles the event: it lives until the handling is over.
    SharedPointer<CFrame> keepAlive(this);
    CPoint logical = toLogical(where);
    return onMouseUp(logical, buttons);
}

CMouseEventResult CFrame::platformOnMouseMoved(CPoint& where, const CButtonState& buttons)
{
    // A listener may close the editor and so release the frame while it
    // handles the event: it lives until the handling is over.
    SharedPointer<CFrame> keepAlive(this);
    CPoint logical = toLogical(where);
    return onMouseMoved(logical, buttons);
}

bool CFrame::platformOnWheel(const CPoint& where, float distance, const CButtonState& buttons)
{
    SharedPointer<CFrame> keepAlive(this);
    return onWheel(toLogical(where), distance, buttons);
}

} // namespace VSTGUI
