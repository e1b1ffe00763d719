// Base of an editor view that shows a toolkit frame: an EditorView that
// owns the frame while attached, accepts the platform's window (an X11
// window, an HWND), and keeps an idle timer on the host's run loop, where
// there is one, that lets the frame redraw what changed.
#pragma once

#include "gui/cframe.h"
#include "gui/vstguieditorinterface.h"

#include "pluginterfaces/base/smartpointer.h"
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

class VSTGUIEditor : public EditorView, public VSTGUI::VSTGUIEditorInterface
{
public:
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

    // VSTGUIEditorInterface
    int32 getKnobMode() const override;
    Linux::IRunLoop* getRunLoop() const override { return runLoop; }

protected:
    VSTGUI::CFrame* frame = nullptr;

private:
    void stopTimer();

    int32 idleRate = 100;
    IPtr<Linux::IRunLoop> runLoop;
    IPtr<EditorIdleTimer> idleTimer;
};

} // namespace Vst
} // namespace Steinberg
