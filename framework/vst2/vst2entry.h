// The VST 2 entry point and the hooks a plug-in supplies to it.
//
// VSTPluginMain asks the host for its VST version (0 means the host cannot
// load VST 2 effects), runs InitModule and makes the effect through
// createEffectInstance. DeinitModule runs when that effect is closed.
#pragma once

#include "vst2/vst2abi.h"
#include "vst2/vst2wrapper.h"

#include "pluginterfaces/base/fplatform.h"

bool InitModule();
bool DeinitModule();

// Defined by the plug-in: its wrapper, or null.
Steinberg::Vst::Vst2Wrapper* createEffectInstance(audioMasterCallback host);

extern "C"
{
    SMTG_EXPORT_SYMBOL AEffect* VSTPluginMain(audioMasterCallback host);
}
