#include "lv2/kestrumlv2ports.h"

#include "module/kestrumparamids.h"
#include "module/version.h"
#include "processor/filtermode.h"

#include <algorithm>
#include <cmath>

using namespace Steinberg::Vst;

namespace Kestrum
{
namespace
{

constexpr double kLastMode = kNumFilterModes - 1;

bool enabledToBypass(float enabled, ParamValue& bypass)
{
    if (std::isnan(enabled))
        return false;
    // lv2:toggled: above zero is on.
    bypass = enabled > 0.0f ? 0.0 : 1.0;
    return true;
}

float bypassToEnabled(ParamValue bypass)
{
    // The processor bypasses above one half.
    return bypass > 0.5 ? 0.0f : 1.0f;
}

bool modeNumberToValue(float number, ParamValue& value)
{
    if (std::isnan(number))
        return false;
    // The mode values the editor's knob and a VST 3 host's stepped display
    // use: 0, 1/2, 1.
    value = std::clamp(std::nearbyint(static_cast<double>(number)), 0.0, kLastMode) / kLastMode;
    return true;
}

float modeValueToNumber(ParamValue value)
{
    FilterMode mode = kModeBassDrop;
    modeForValue(value, mode);
    return static_cast<float>(mode);
}

} // namespace

Lv2PortLayout lv2PortLayout()
{
    Lv2PortLayout layout;
    layout.audioInputs = {kLv2InputLeft, kLv2InputRight};
    layout.audioOutputs = {kLv2OutputLeft, kLv2OutputRight};
    layout.controls = {
        {kLv2Enabled, kBypassId, enabledToBypass, bypassToEnabled},
        {kLv2Mode, kModeId, modeNumberToValue, modeValueToNumber},
    };
    return layout;
}

std::string lv2PluginUri()
{
    return std::string(kVendorUrl) + "/plugins/kestrum";
}

std::string lv2UiUri()
{
    return lv2PluginUri() + "#ui";
}

} // namespace Kestrum
