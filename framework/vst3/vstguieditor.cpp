#include "vst3/vstguieditor.h"

#include "gui/platformframe.h"

#include <cmath>
#include <cstdlib>
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
    : EditorView(controller, size), logicalWidth(size ? size->getWidth() : 0),
      logicalHeight(size ? size->getHeight() : 0)
{
    // What getSize tells a host before any window exists.
    scale = decideScale(nullptr);
    updateRect();
}

bool VSTGUIEditor::isValidScale(double factor)
{
    return std::isfinite(factor) && factor >= kMinScale && factor <= kMaxScale;
}

double VSTGUIEditor::scaleFromEnvironment()
{
    const char* text = std::getenv("VSTGUI_SCALE_FACTOR");
    if (!text || !*text)
        return 0;
    char* end = nullptr;
    const double factor = std::strtod(text, &end);
    return *end == '\0' && isValidScale(factor) ? factor : 0;
}

double VSTGUIEditor::decideScale(void* parent) const
{
    if (hostScale > 0)
        return hostScale;
    if (const double fromEnvironment = scaleFromEnvironment(); fromEnvironment > 0)
        return fromEnvironment;
    const double fromPlatform = VSTGUI::platformScaleFactor(parent);
    return isValidScale(fromPlatform) ? fromPlatform : 1;
}

int32 VSTGUIEditor::toDevicePixels(int32 logical) const
{
    return static_cast<int32>(std::lround(logical * scale));
}

void VSTGUIEditor::setLogicalSize(int32 width, int32 height)
{
    logicalWidth = width;
    logicalHeight = height;
    updateRect();
}

void VSTGUIEditor::updateRect()
{
    // An open frame may have been made larger by the host: its size counts.
    const int32 width = frame ? static_cast<int32>(frame->getViewSize().getWidth()) : logicalWidth;
    const int32 height =
        frame ? static_cast<int32>(frame->getViewSize().getHeight()) : logicalHeight;
    rect.right = rect.left + toDevicePixels(width);
    rect.bottom = rect.top + toDevicePixels(height);
}

void VSTGUIEditor::applyScale(double factor)
{
    if (factor == scale)
        return;
    scale = factor;
    if (frame)
        frame->setScaleFactor(factor);
    updateRect();
    if (isAttached() && plugFrame)
    {
        ViewRect wanted = rect;
        plugFrame->resizeView(this, &wanted);
    }
}

tresult PLUGIN_API VSTGUIEditor::setContentScaleFactor(ScaleFactor factor)
{
    if (!isValidScale(factor))
        return kInvalidArgument;
    // The host's factor replaces any other; it is never applied on top of
    // the window system's (a DPI-aware host on a 200 % screen says 2 and
    // means 2, not 4).
    hostScale = factor;
    applyScale(factor);
    return kResultTrue;
}

void VSTGUIEditor::onPlatformScaleChanged(double factor)
{
    if (hostScale > 0 || scaleFromEnvironment() > 0 || !isValidScale(factor))
        return;
    applyScale(factor);
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

    // The window's own scale is known only now (Windows: its monitor's DPI).
    scale = decideScale(parent);
    updateRect();
    if (open(parent) && frame)
    {
        // The first picture now: the window shows itself once it has one.
        frame->idle();
        updateRect();
        if (plugFrame)
        {
            ViewRect wanted = rect;
            plugFrame->resizeView(this, &wanted);
        }
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
        frame->setDeviceSize(newSize->getWidth(), newSize->getHeight());
    rect = *newSize;
    return kResultTrue;
}

int32 VSTGUIEditor::getKnobMode() const
{
    return EditController::getHostKnobMode();
}

} // namespace Vst
} // namespace Steinberg
