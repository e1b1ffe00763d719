#include "vst2/vst2plugframe.h"

namespace Steinberg
{
namespace Vst
{

Vst2PlugFrame::Vst2PlugFrame(audioMasterCallback host, AEffect* effect, PollRunLoop* runLoop)
    : host(host), effect(effect), runLoop(runLoop)
{
}

void Vst2PlugFrame::detach()
{
    host = nullptr;
    effect = nullptr;
}

tresult PLUGIN_API Vst2PlugFrame::resizeView(IPlugView* view, ViewRect* newSize)
{
    if (!view || !newSize || newSize->getWidth() <= 0 || newSize->getHeight() <= 0)
        return kInvalidArgument;
    if (!host)
        return kResultFalse;
    host(effect, Vst2::audioMasterSizeWindow, newSize->getWidth(), newSize->getHeight(), nullptr,
         0.f);
    ViewRect current;
    if (view->getSize(&current) != kResultOk || current.getWidth() != newSize->getWidth() ||
        current.getHeight() != newSize->getHeight())
        view->onSize(newSize);
    return kResultTrue;
}

tresult PLUGIN_API Vst2PlugFrame::queryInterface(const TUID iid, void** obj)
{
    if (!obj)
        return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid) && runLoop)
    {
        runLoop->addRef();
        *obj = static_cast<Linux::IRunLoop*>(runLoop.get());
        return kResultOk;
    }
    QUERY_INTERFACE(iid, obj, IPlugFrame::iid, IPlugFrame)
    return FObject::queryInterface(iid, obj);
}

} // namespace Vst
} // namespace Steinberg
