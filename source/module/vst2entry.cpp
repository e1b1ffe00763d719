// The VST 2 face of the module: the processor class wrapped as a VST 2
// effect under the unique ID 'TkV2', filed as a restoration plug-in.
#include "vst2/vst2entry.h"
#include "module/kestrumcids.h"

#include "pluginterfaces/base/ipluginbase.h"

extern "C" SMTG_EXPORT_SYMBOL Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory();

namespace
{
constexpr int32_t kKestrumVst2UniqueId = Vst2::fourCharCode("TkV2");
}

Steinberg::Vst::Vst2Wrapper* createEffectInstance(audioMasterCallback host)
{
    Steinberg::TUID processorCid;
    Kestrum::KestrumProcessorUID.toTUID(processorCid);
    auto* wrapper = Steinberg::Vst::Vst2Wrapper::create(GetPluginFactory(), processorCid,
                                                        kKestrumVst2UniqueId, host);
    // VST 3's "Fx" says only "an effect"; VST 2 has a category for removing
    // faults from a recording, which is what a DC and rumble remover does.
    if (wrapper)
        wrapper->setPlugCategory(Vst2::kPlugCategRestoration);
    return wrapper;
}
