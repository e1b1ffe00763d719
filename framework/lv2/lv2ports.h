// How an LV2 plug-in's ports meet a VST 3 plug-in: audio ports by channel,
// control ports by parameter. The conversions between a control port's value
// and the parameter's normalised value belong to the plug-in, which knows
// what its parameters mean; the adapters only call them.
#pragma once

#include "pluginterfaces/vst/vsttypes.h"

#include <cstdint>
#include <vector>

namespace Steinberg
{
namespace Vst
{

struct Lv2ControlPort
{
    std::uint32_t index;
    ParamID id;
    // False for a port value that sets nothing (NaN): the parameter keeps
    // its value.
    bool (*toNormalized)(float portValue, ParamValue& normalized);
    float (*toPortValue)(ParamValue normalized);
};

struct Lv2PortLayout
{
    // Port indices of the channels of the single input and output bus.
    std::vector<std::uint32_t> audioInputs;
    std::vector<std::uint32_t> audioOutputs;
    std::vector<Lv2ControlPort> controls;

    const Lv2ControlPort* findControl(std::uint32_t index) const
    {
        for (const auto& port : controls)
            if (port.index == index)
                return &port;
        return nullptr;
    }
    const Lv2ControlPort* findParameter(ParamID id) const
    {
        for (const auto& port : controls)
            if (port.id == id)
                return &port;
        return nullptr;
    }
    std::uint32_t portCount() const
    {
        return static_cast<std::uint32_t>(audioInputs.size() + audioOutputs.size() +
                                          controls.size());
    }
};

} // namespace Vst
} // namespace Steinberg
