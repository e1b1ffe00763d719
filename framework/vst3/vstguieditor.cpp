#include "vst3/vstguieditor.h"

#include "gui/platformframe.h"

#include <cstring>

namespace Steinberg
{
namespace Vst
{

void PLUGIN_API EditorIdleTimer::onTimer()
{
    IPtr<EditorIdleTimer> keepAlive(this);
    if (editor)
        editor->onIdle();
}

VSTGUIEditor::VSTGUIEditor(EditController* controller, ViewRect* size)
    : EditorView(controller, size)
{
}

// A host that releases the view without removing it first must not be left
// with our timer or window registered in its run loop.
VSTGUIEditor::~VSTGUIEditor()
{
    stopTimer();
    if (frame)
    {
        frame->forget();
        frame = nullptr;
    }
}

void VSTGUIEditor::onIdle()
{
    if (frame)
        frame->idle();
}

tresult PLUGIN_API VSTGUIEditor::isPlatformTypeSupported(FIDString type)
{
    if (!type)
        return kInvalidArgument;
    return std::strcmp(type, VSTGUI::platformFrameType()) == 0 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API VSTGUIEditor::attached(void* parent, FIDString type)
{
    if (!parent)
        return kInvalidArgument;
    if (isPlatformTypeSupported(type) != kResultTrue)
        return kResultFalse;
    // A second attach without removed() would register the view twice.
    if (isAttached())
        return kResultFalse;
    // A module that is only scanned never loads the window and drawing
    // libraries; a missing one refuses the editor before anything is built.
    if (!VSTGUI::loadPlatformLibraries())
        return kResultFalse;

    runLoop = nullptr;
    if (plugFrame)
    {
        Linux::IRunLoop* loop = nullptr;
        if (plugFrame->queryInterface(Linux::IRunLoop::iid, reinterpret_cast<void**>(&loop)) ==
                kResultOk &&
            loop)
            runLoop = owned(loop);
    }
    if (runLoop && idleRate > 0)
    {
        idleTimer = owned(new EditorIdleTimer(this));
        if (runLoop->registerTimer(idleTimer, static_cast<Linux::TimerInterval>(idleRate)) !=
            kResultOk)
            idleTimer = nullptr;
    }

    if (open(parent) && frame)
    {
        // The first picture now: the window shows itself once it has one.
        frame->idle();
        const VSTGUI::CRect& size = frame->getViewSize();
        rect.right = rect.left + static_cast<int32>(size.getWidth());
        rect.bottom = rect.top + static_cast<int32>(size.getHeight());
        if (plugFrame)
            plugFrame->resizeView(this, &rect);
    }
    return EditorView::attached(parent, type);
}

tresult PLUGIN_API VSTGUIEditor::removed()
{
    if (!isAttached())
        return kResultFalse;
    stopTimer();
    close();
    runLoop = nullptr;
    return EditorView::removed();
}

void VSTGUIEditor::stopTimer()
{
    if (!idleTimer)
        return;
    idleTimer->detach();
    if (runLoop)
        runLoop->unregisterTimer(idleTimer);
    idleTimer = nullptr;
}

tresult PLUGIN_API VSTGUIEditor::onSize(ViewRect* newSize)
{
    if (!newSize || newSize->getWidth() <= 0 || newSize->getHeight() <= 0)
        return kInvalidArgument;
    if (frame)
        frame->setSize(newSize->getWidth(), newSize->getHeight());
    rect = *newSize;
    return kResultTrue;
}

int32 VSTGUIEditor::getKnobMode() const
{
    return EditController::getHostKnobMode();
}

} // namespace Vst
} // namespace Steinberg
