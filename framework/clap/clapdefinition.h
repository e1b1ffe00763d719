// What a plug-in tells the CLAP adapter about itself: its descriptor, where
// its VST 3 objects come from, and what CLAP asks that VST 3 does not say
// (the steps of a parameter that VST 3 shows as continuous, the tail).
#pragma once

#include "clap/plugin-factory.h"
#include "clap/plugin.h"

#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/vsttypes.h"

#include <cstdint>
#include <vector>

namespace Steinberg
{
namespace Vst
{

// A parameter as CLAP shows it: plain values from 0 to maxValue, whole
// numbers when stepped. A parameter without one is shown as VST 3 gives it
// (0 to its step count when stepped, else 0 to 1).
struct ClapParameterScale
{
    ParamID id;
    double maxValue;
    bool stepped;
    ParamValue (*toNormalized)(double plain);
    double (*toPlain)(ParamValue normalized);
};

// A channel layout the host may choose for the main input and output (CLAP's
// audio-ports-config), made by asking the processor for `arrangement`.
struct ClapPortConfig
{
    clap_id id;
    const char* name;
    SpeakerArrangement arrangement;
};

struct ClapPluginDefinition
{
    const clap_plugin_descriptor_t* descriptor;
    // The module's factory; the caller's reference is released after use.
    IPluginFactory* (*factory)();
    // The processor class, as the factory knows it.
    FUID processorCid;
    std::vector<ClapParameterScale> scales;
    // How long the output may go on after the input fell silent.
    double tailSeconds;
    // The layouts offered, the first the default; stereo alone when empty.
    std::vector<ClapPortConfig> portConfigs;
};

// The factory a clap_entry hands out for one plug-in. `definition` must
// live as long as the module.
const clap_plugin_factory_t* clapPluginFactory(const ClapPluginDefinition& definition);

} // namespace Vst
} // namespace Steinberg
