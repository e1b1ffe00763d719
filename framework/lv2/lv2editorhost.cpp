#include "lv2/lv2editorhost.h"

namespace Steinberg
{
namespace Vst
{

// Control ports carry plain floats: format 0 in ui:portProtocol terms.
constexpr uint32 kFloatProtocol = 0;

Lv2EditorHost::Lv2EditorHost(const Lv2PortLayout& layout, LV2UI_Write_Function write,
                             LV2UI_Controller hostController, PollRunLoop* runLoop)
    : layout(layout), write(write), hostController(hostController), runLoop(runLoop)
{
}

void Lv2EditorHost::detach()
{
    write = nullptr;
    resize = nullptr;
    touch = nullptr;
}

tresult PLUGIN_API Lv2EditorHost::beginEdit(ParamID id)
{
    return grab(id, true);
}

tresult PLUGIN_API Lv2EditorHost::performEdit(ParamID id, ParamValue valueNormalized)
{
    const Lv2ControlPort* port = layout.findParameter(id);
    if (!port)
        return kInvalidArgument;
    if (!write)
        return kResultFalse;
    const float value = port->toPortValue(valueNormalized);
    write(hostController, port->index, sizeof(value), kFloatProtocol, &value);
    return kResultOk;
}

tresult PLUGIN_API Lv2EditorHost::endEdit(ParamID id)
{
    return grab(id, false);
}

tresult Lv2EditorHost::grab(ParamID id, bool grabbed)
{
    const Lv2ControlPort* port = layout.findParameter(id);
    if (!port)
        return kInvalidArgument;
    if (touch && touch->touch)
        touch->touch(touch->handle, port->index, grabbed);
    return kResultOk;
}

tresult PLUGIN_API Lv2EditorHost::restartComponent(int32 /*flags*/)
{
    // Ports and their ranges are fixed by the plug-in's description.
    return kNotImplemented;
}

tresult PLUGIN_API Lv2EditorHost::resizeView(IPlugView* view, ViewRect* newSize)
{
    if (!view || !newSize || newSize->getWidth() <= 0 || newSize->getHeight() <= 0)
        return kInvalidArgument;
    if (resize && resize->ui_resize)
        resize->ui_resize(resize->handle, newSize->getWidth(), newSize->getHeight());
    return view->onSize(newSize);
}

tresult PLUGIN_API Lv2EditorHost::queryInterface(const TUID iid, void** obj)
{
    if (!obj)
        return kInvalidArgument;
    if (FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid) && runLoop)
        return runLoop->queryInterface(iid, obj);
    QUERY_INTERFACE(iid, obj, IComponentHandler::iid, IComponentHandler)
    QUERY_INTERFACE(iid, obj, IPlugFrame::iid, IPlugFrame)
    return FObject::queryInterface(iid, obj);
}

} // namespace Vst
} // namespace Steinberg
