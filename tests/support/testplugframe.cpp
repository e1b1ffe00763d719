#include "support/testplugframe.h"

namespace KestrumTest
{

using namespace Steinberg;

tresult PLUGIN_API TestPlugFrame::resizeView(IPlugView*, ViewRect* newSize)
{
    ++resizeCalls;
    if (newSize)
        lastSize = *newSize;
    return kResultOk;
}

tresult PLUGIN_API TestPlugFrame::queryInterface(const TUID iid, void** obj)
{
    if (FUnknownPrivate::iidEqual(iid, IPlugFrame::iid) ||
        FUnknownPrivate::iidEqual(iid, FUnknown::iid))
    {
        *obj = static_cast<IPlugFrame*>(this);
        return kResultOk;
    }
    if (FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid))
    {
        loop->addRef();
        *obj = static_cast<Linux::IRunLoop*>(loop.get());
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

} // namespace KestrumTest
