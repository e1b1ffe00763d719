// What the controller and its view see of an LV2 host: the component
// handler that turns edits into writes to control ports (and gestures into
// ui:touch, where the host offers it), and the plug frame
// that passes size requests on to ui:resize and hands out the run loop.
#pragma once

#include "lv2/lv2ports.h"
#include "vst3/pollrunloop.h"

#include "base/source/fobject.h"
#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <lv2/ui/ui.h>

namespace Steinberg
{
namespace Vst
{

class Lv2EditorHost : public FObject, public IComponentHandler, public IPlugFrame
{
public:
    Lv2EditorHost(const Lv2PortLayout& layout, LV2UI_Write_Function write,
                  LV2UI_Controller hostController, PollRunLoop* runLoop);

    // The host's resize feature (may be null) that size requests go to.
    void setResize(const LV2UI_Resize* hostResize) { resize = hostResize; }
    // The host's touch feature (may be null), told where a gesture starts and ends.
    void setTouch(const LV2UI_Touch* hostTouch) { touch = hostTouch; }
    // After this nothing reaches the LV2 host (the view may still hold us).
    void detach();

    // IComponentHandler
    tresult PLUGIN_API beginEdit(ParamID id) override;
    tresult PLUGIN_API performEdit(ParamID id, ParamValue valueNormalized) override;
    tresult PLUGIN_API endEdit(ParamID id) override;
    tresult PLUGIN_API restartComponent(int32 flags) override;

    // IPlugFrame
    tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) override;

    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
    OBJ_METHODS(Lv2EditorHost, FObject)
    REFCOUNT_METHODS(FObject)

private:
    tresult grab(ParamID id, bool grabbed);

    const Lv2PortLayout& layout;
    LV2UI_Write_Function write;
    LV2UI_Controller hostController;
    IPtr<PollRunLoop> runLoop;
    const LV2UI_Resize* resize = nullptr;
    const LV2UI_Touch* touch = nullptr;
};

} // namespace Vst
} // namespace Steinberg
