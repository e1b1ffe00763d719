// What the editor view sees of a VST 2 host: an IPlugFrame that passes
// resize requests on as audioMasterSizeWindow and hands out the run loop
// that effEditIdle drives.
#pragma once

#include "vst2/vst2abi.h"
#include "vst3/pollrunloop.h"

#include "base/source/fobject.h"
#include "pluginterfaces/base/smartpointer.h"
#include "runloopinterfaces.h"

namespace Steinberg
{
namespace Vst
{

class Vst2PlugFrame : public FObject, public IPlugFrame
{
public:
    Vst2PlugFrame(audioMasterCallback host, AEffect* effect, PollRunLoop* runLoop);

    // After this the frame tells the host nothing (a view may still hold it).
    void detach();

    // Tells the host the new size; the view takes it even when the host
    // cannot resize its window, as the view asked for it.
    tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) override;
    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;

    OBJ_METHODS(Vst2PlugFrame, FObject)
    REFCOUNT_METHODS(FObject)

private:
    audioMasterCallback host;
    AEffect* effect;
    IPtr<PollRunLoop> runLoop;
};

} // namespace Vst
} // namespace Steinberg
