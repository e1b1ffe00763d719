// The LV2 plug-in binary: Kestrum's processor behind the LV2 adapter. It
// links no controller, editor or GUI library.
#include "lv2/kestrumlv2ports.h"
#include "lv2/lv2effect.h"
#include "processor/kestrum.h"

#include <lv2/core/lv2.h>

#include <string>

using Steinberg::Vst::Lv2Effect;

namespace
{

LV2_Handle instantiate(const LV2_Descriptor* /*descriptor*/, double sampleRate,
                       const char* /*bundlePath*/, const LV2_Feature* const* features)
{
    return Lv2Effect::create(Kestrum::Kestrum::createInstance, Kestrum::lv2PortLayout(), sampleRate,
                             Lv2Effect::maxBlockFromFeatures(features))
        .release();
}

const void* extensionData(const char* /*uri*/)
{
    return nullptr;
}

} // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    static const std::string uri = Kestrum::lv2PluginUri();
    static const LV2_Descriptor descriptor = {uri.c_str(),
                                              instantiate,
                                              Lv2Effect::connectPortCallback,
                                              Lv2Effect::activateCallback,
                                              Lv2Effect::runCallback,
                                              Lv2Effect::deactivateCallback,
                                              Lv2Effect::cleanupCallback,
                                              extensionData};
    return index == 0 ? &descriptor : nullptr;
}
