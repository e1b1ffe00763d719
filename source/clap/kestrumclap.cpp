// Kestrum as a CLAP plug-in: its descriptor, the CLAP view of its two
// parameters and the module's clap_entry, over the CLAP adapter.
#include "clap/clapdefinition.h"
#include "module/kestrumcids.h"
#include "module/kestrumparamids.h"
#include "module/version.h"
#include "processor/filtermode.h"
#include "vst3/moduleentry.h"

#include "clap/entry.h"
#include "clap/plugin-factory.h"
#include "clap/plugin-features.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <algorithm>
#include <cmath>
#include <cstring>

extern "C" SMTG_EXPORT_SYMBOL Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory();

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

constexpr double kLastMode = Kestrum::kNumFilterModes - 1;
// The impulse response of the lowest mode ("super low") falls below a
// millionth of its peak (-120 dB) within this time at every rate.
constexpr double kTailSeconds = 0.5;

// Bypass: 0 or 1; the processor bypasses above one half.
ParamValue bypassToNormalized(double plain)
{
    return plain > 0.5 ? 1.0 : 0.0;
}
double bypassToPlain(ParamValue normalized)
{
    return normalized > 0.5 ? 1.0 : 0.0;
}

// Mode: the filter mode's number, 0 to 2, as the values 0, 1/2 and 1 that
// the editor's knob and a VST 3 host's steps use.
ParamValue modeToNormalized(double plain)
{
    return std::clamp(std::nearbyint(plain), 0.0, kLastMode) / kLastMode;
}
double modeToPlain(ParamValue normalized)
{
    Kestrum::FilterMode mode = Kestrum::kModeBassDrop;
    Kestrum::modeForValue(normalized, mode);
    return static_cast<double>(mode);
}

const char* kFeatures[] = {CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, CLAP_PLUGIN_FEATURE_FILTER,
                           CLAP_PLUGIN_FEATURE_STEREO, CLAP_PLUGIN_FEATURE_MONO, nullptr};

const clap_plugin_descriptor_t kDescriptor = {
    CLAP_VERSION_INIT,
    "example.tavrek.kestrum",
    "Kestrum",
    Kestrum::kVendorName,
    Kestrum::kVendorUrl,
    "",
    "",
    Kestrum::kVersionString,
    "Removes DC offset and infrasonic rumble",
    kFeatures,
};

const ClapPluginDefinition& definition()
{
    static const ClapPluginDefinition kestrum = {
        &kDescriptor,
        GetPluginFactory,
        Kestrum::KestrumProcessorUID,
        {
            {Kestrum::kBypassId, 1.0, true, bypassToNormalized, bypassToPlain},
            {Kestrum::kModeId, kLastMode, true, modeToNormalized, modeToPlain},
        },
        kTailSeconds,
        // The filter runs per channel: a mono track needs no second one.
        {{0, "Stereo", SpeakerArr::kStereo}, {1, "Mono", SpeakerArr::kMono}},
    };
    return kestrum;
}

bool entryInit(const char* /*pluginPath*/)
{
    return enterModule(nullptr);
}

void entryDeinit()
{
    exitModule();
}

const void* entryFactory(const char* factoryId)
{
    if (!factoryId || std::strcmp(factoryId, CLAP_PLUGIN_FACTORY_ID) != 0)
        return nullptr;
    return clapPluginFactory(definition());
}

} // namespace

extern "C" CLAP_EXPORT const clap_plugin_entry_t clap_entry = {CLAP_VERSION_INIT, entryInit,
                                                               entryDeinit, entryFactory};
