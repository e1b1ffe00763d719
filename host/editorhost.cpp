#include "host/editorhost.h"

using namespace Steinberg;

namespace KestrumHost
{

EditorHost::EditorHost() : loop(owned(new Vst::PollRunLoop)) {}

EditorHost::~EditorHost()
{
    remove();
}

bool EditorHost::attach(IPlugView* view, std::string& error)
{
    if (!view)
    {
        error = "no view";
        return false;
    }
    if (attachedView)
    {
        error = "a view is attached already";
        return false;
    }
    if (view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) != kResultTrue)
    {
        error = "the view does not embed in X11 windows";
        return false;
    }
    ViewRect size;
    if (view->getSize(&size) != kResultOk)
    {
        error = "the view has no size";
        return false;
    }
    hostWindow = X11Window::create(size.getWidth(), size.getHeight(), error);
    if (!hostWindow)
        return false;

    view->setFrame(this);
    if (view->attached(hostWindow->handle(), kPlatformTypeX11EmbedWindowID) != kResultOk)
    {
        view->setFrame(nullptr);
        hostWindow.reset();
        error = "the view refused the window";
        return false;
    }
    attachedView = view;
    return true;
}

bool EditorHost::remove()
{
    if (!attachedView)
        return false;
    attachedView->removed();
    attachedView->setFrame(nullptr);
    attachedView = nullptr;
    hostWindow.reset();
    return true;
}

tresult PLUGIN_API EditorHost::resizeView(IPlugView* view, ViewRect* newSize)
{
    if (!view || !newSize || newSize->getWidth() <= 0 || newSize->getHeight() <= 0)
        return kInvalidArgument;
    ++resizeCount;
    // The view asks while it attaches, before attach() knows it.
    if (hostWindow)
        hostWindow->resize(newSize->getWidth(), newSize->getHeight());
    ViewRect current;
    if (view->getSize(&current) != kResultOk || current.getWidth() != newSize->getWidth() ||
        current.getHeight() != newSize->getHeight())
        view->onSize(newSize);
    return kResultTrue;
}

tresult PLUGIN_API EditorHost::queryInterface(const TUID iid, void** obj)
{
    if (!obj)
        return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid))
    {
        loop->addRef();
        *obj = static_cast<Linux::IRunLoop*>(loop.get());
        return kResultOk;
    }
    if (FUnknownPrivate::iidEqual(iid, IPlugFrame::iid) ||
        FUnknownPrivate::iidEqual(iid, FUnknown::iid))
    {
        *obj = static_cast<IPlugFrame*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

} // namespace KestrumHost
