// The LV2 UI binary: Kestrum's controller and editor behind the LV2 editor
// adapter, in a binary of its own so that hosts load the plug-in without
// any GUI library.
#include "controller/kestrumcontroller.h"
#include "lv2/kestrumlv2ports.h"
#include "lv2/lv2editor.h"

#include <lv2/ui/ui.h>

#include <string>

using Steinberg::Vst::Lv2Editor;

namespace
{

LV2UI_Handle instantiate(const LV2UI_Descriptor* /*descriptor*/, const char* pluginUri,
                         const char* /*bundlePath*/, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features)
{
    if (!pluginUri || Kestrum::lv2PluginUri() != pluginUri)
        return nullptr;
    return Lv2Editor::create(Kestrum::KestrumController::createInstance, Kestrum::lv2PortLayout(),
                             write, controller, features, widget)
        .release();
}

} // namespace

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    static const std::string uri = Kestrum::lv2UiUri();
    static const LV2UI_Descriptor descriptor = {
        uri.c_str(), instantiate, Lv2Editor::cleanupCallback, Lv2Editor::portEventCallback,
        Lv2Editor::extensionData};
    return index == 0 ? &descriptor : nullptr;
}
