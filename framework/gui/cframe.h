// The editor's top view: owns the views added to it, draws them over its
// background, routes the mouse to them and, when given a parent window,
// shows itself in a child window of it.
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
    // With a null parent (or an editor without a run loop) the frame has no
    // window and draws only through draw().
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

    CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
    bool onWheel(const CPoint& where, float distance, const CButtonState& buttons) override;

    // Redraws the views that changed since the last call.
    void idle();
    void invalidRect(const CRect& rect);
    void setSize(CCoord width, CCoord height);

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

    VSTGUIEditorInterface* editor;
    std::vector<SharedPointer<CView>> views;
    SharedPointer<CView> modalView;
    SharedPointer<CView> mouseDownView;
    SharedPointer<CBitmap> background;
    CColor backgroundColor = kBlackCColor;
    std::unique_ptr<IPlatformFrame> platform;
};

} // namespace VSTGUI
