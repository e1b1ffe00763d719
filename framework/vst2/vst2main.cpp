#include "vst2/vst2entry.h"

extern "C"
{

    SMTG_EXPORT_SYMBOL AEffect* VSTPluginMain(audioMasterCallback host)
    {
        if (!host || host(nullptr, Vst2::audioMasterVersion, 0, 0, nullptr, 0.f) == 0)
            return nullptr;
        if (!InitModule())
            return nullptr;
        Steinberg::Vst::Vst2Wrapper* wrapper = createEffectInstance(host);
        return wrapper ? wrapper->getAEffect() : nullptr;
    }

} // extern "C"
