// The editor's top view: owns the views added to it, draws them over its
// background, routes the mouse to them and, when given a parent window,
// shows itself in a child window of it.
//
// The frame and its views work in logical pixels; the window has `scale`
// device pixels per logical one. This is the one place that maps between
// the two: drawing is magnified on the way out, mouse positions are divided
// on the way in, so every control sees the same coordinates at any scale.
#pragma once

#include "gui/cview.h"
#include "gui/platformframe.h"

#include <memory>
#include <vector>

namespace VSTGUI
{

class CBitmap;
class VSTGUIEditorInterface;

class CFrame : public CView, private IPlatformFrameCallback
{
public:
    // With a null parent (or, on X11, an editor without a run loop) the
    // frame has no window and draws only through draw() and paint(). The
    // scale is the editor's (1 without one).
    CFrame(const CRect& size, void* parent, VSTGUIEditorInterface* editor);
    ~CFrame() override;
    CFrame(const CFrame&) = delete;

    // Takes over the caller's reference: the frame releases the view when it
    // is removed or the frame is destroyed. Views added later lie on top.
    bool addView(CView* view);
    bool removeView(CView* view);
    int getNbViews() const { return static_cast<int>(views.size()); }
    CView* getView(int index) const;

    void setBackgroundColor(const CColor& color);
    const CColor& getBackgroundColor() const { return backgroundColor; }
    // The frame keeps its own reference to the picture.
    void setBackground(CBitmap* bitmap);
    CBitmap* getBackground() const { return background.get(); }

    // A modal view is drawn above everything and alone receives the mouse.
    // False when another modal view is shown already.
    bool setModalView(CView* view);
    CView* getModalView() const { return modalView.get(); }

    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect);
    // Draws `devicePixels` of the window (margin included) at the frame's
    // scale into a context whose units are device pixels: what the window shows.
    void paint(CDrawContext& context, const CRect& devicePixels);

    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    bool onWheel(const CPoint& where, float distance, const CButtonState& buttons) override;

    // Redraws the views that changed since the last call.
    void idle();
    void invalidRect(const CRect& rect);
    // In logical pixels; the window becomes that size times the scale.
    void setSize(CCoord width, CCoord height);
    // The window's size in device pixels, as a host sets it; the frame takes
    // the whole logical pixels that fit, the rest is margin.
    void setDeviceSize(int width, int height);

    double getScaleFactor() const { return scale; }
    // Redraws everything at the new scale and resizes the window to fit.
    // Factors that are not finite and positive are ignored.
    void setScaleFactor(double factor);
    // A logical size in device pixels at the current scale, rounded.
    int toDevicePixels(CCoord logical) const;

    VSTGUIEditorInterface* getEditor() const { return editor; }
    bool hasWindow() const { return platform != nullptr; }

    bool isTypeOf(const char* className) const override;
    CView* newCopy() const override { return nullptr; }

private:
    CView* viewAt(const CPoint& where) const;
    // What lies in the window beyond the frame's size, when a host makes the
    // window larger than asked.
    void drawMargin(CDrawContext& context, const CRect& updateRect);

    void platformDrawRect(CDrawContext& context, const CRect& updateRect) override;
    CMouseEventResult platformOnMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult platformOnMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult platformOnMouseMoved(CPoint& where, const CButtonState& buttons) override;
    bool platformOnWheel(const CPoint& where, float distance, const CButtonState& buttons) override;
    void platformOnIdle() override;
    void platformOnScaleChanged(double factor) override;
    CRect toDevice(const CRect& logical) const;
    CPoint toLogical(const CPoint& device) const;

    VSTGUIEditorInterface* editor;
    std::vector<SharedPointer<CView>> views;
    SharedPointer<CView> modalView;
    SharedPointer<CView> mouseDownView;
    SharedPointer<CBitmap> background;
    CColor backgroundColor = kBlackCColor;
    double scale = 1;
    std::unique_ptr<IPlatformFrame> platform;
};

} // namespace VSTGUI
