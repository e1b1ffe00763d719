// Base of an editor view that shows a toolkit frame: an EditorView that
// owns the frame while attached, accepts the platform's window (an X11
// window, an HWND), and keeps an idle timer on the host's run loop, where
// there is one, that lets the frame redraw what changed.
//
// It is also the one place that decides the editor's scale, in this order:
// what the host said through IPlugViewContentScaleSupport (every format's
// adapter forwards its host's factor there), else VSTGUI_SCALE_FACTOR from
// the environment (for tests and for users of hosts that say nothing), else
// what the window system says for the parent window. getSize, resizeView and
// onSize are in device pixels, the frame and its views in logical ones.
#pragma once

#include "gui/cframe.h"
#include "gui/vstguieditorinterface.h"

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "public.sdk/source/vst/vsteditcontroller.h"
#include "runloopinterfaces.h"

namespace Steinberg
{
namespace Vst
{

class VSTGUIEditor;

// Calls the editor's idle while the editor lives; the host may keep it
// longer, then it does nothing.
class EditorIdleTimer : public FObject, public Linux::ITimerHandler
{
public:
    explicit EditorIdleTimer(VSTGUIEditor* owner) : editor(owner) {}
    void detach() { editor = nullptr; }
    void PLUGIN_API onTimer() override;

    OBJ_METHODS(EditorIdleTimer, FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(Linux::ITimerHandler)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)

private:
    VSTGUIEditor* editor;
};

class VSTGUIEditor : public EditorView,
                     public VSTGUI::VSTGUIEditorInterface,
                     public IPlugViewContentScaleSupport
{
public:
    // The smallest and largest scale taken from anyone.
    static constexpr double kMinScale = 0.5;
    static constexpr double kMaxScale = 8;

    explicit VSTGUIEditor(EditController* controller, ViewRect* size = nullptr);
    ~VSTGUIEditor() override;

    // Build the frame in parent (false: nothing was built) and tear it down.
    virtual bool open(void* parent) = 0;
    virtual void close() = 0;
    // Lets the frame redraw what changed; called by the idle timer.
    virtual void onIdle();

    void setIdleRate(int32 milliseconds) { idleRate = milliseconds; }
    int32 getIdleRate() const { return idleRate; }
    VSTGUI::CFrame* getFrame() const { return frame; }

    // IPlugView
    tresult PLUGIN_API isPlatformTypeSupported(FIDString type) override;
    tresult PLUGIN_API attached(void* parent, FIDString type) override;
    tresult PLUGIN_API removed() override;
    tresult PLUGIN_API onSize(ViewRect* newSize) override;
    tresult PLUGIN_API canResize() override { return kResultFalse; }

    // IPlugViewContentScaleSupport: before or after attached. Outside
    // kMinScale..kMaxScale (or not a number): kInvalidArgument, nothing changes.
    tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;

    // VSTGUIEditorInterface
    int32 getKnobMode() const override;
    Linux::IRunLoop* getRunLoop() const override { return runLoop; }
    double getScaleFactor() const override { return scale; }
    void onPlatformScaleChanged(double factor) override;

    // A scale from the environment's VSTGUI_SCALE_FACTOR; 0 when unset or
    // not a number within kMinScale..kMaxScale.
    static double scaleFromEnvironment();
    static bool isValidScale(double factor);

    OBJ_METHODS(VSTGUIEditor, EditorView)
    DEFINE_INTERFACES
    DEF_INTERFACE(IPlugViewContentScaleSupport)
    END_DEFINE_INTERFACES(EditorView)
    REFCOUNT_METHODS(EditorView)

protected:
    // The editor's size in logical pixels; getSize reports it scaled.
    void setLogicalSize(int32 width, int32 height);
    // Logical pixels in device pixels at the current scale, rounded.
    int32 toDevicePixels(int32 logical) const;

    VSTGUI::CFrame* frame = nullptr;

private:
    void stopTimer();
    double decideScale(void* parent) const;
    // Takes `factor` for everything drawn from now on; an attached editor
    // asks its host for the new size.
    void applyScale(double factor);
    void updateRect();

    int32 logicalWidth = 0;
    int32 logicalHeight = 0;
    double scale = 1;
    // What the host said; 0 while it said nothing.
    double hostScale = 0;

    int32 idleRate = 100;
    IPtr<Linux::IRunLoop> runLoop;
    IPtr<EditorIdleTimer> idleTimer;
};

} // namespace Vst
} // namespace Steinberg
