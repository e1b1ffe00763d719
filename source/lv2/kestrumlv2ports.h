// Kestrum's LV2 ports: where its audio channels and its two parameters sit,
// and what a port value means as the parameter's normalised value. Shared by
// the plug-in binary, the UI binary and the Turtle generator, so that the
// three agree.
#pragma once

#include "lv2/lv2ports.h"

#include <cstdint>
#include <string>

namespace Kestrum
{

enum Lv2PortIndex : std::uint32_t
{
    kLv2InputLeft = 0,
    kLv2InputRight = 1,
    kLv2OutputLeft = 2,
    kLv2OutputRight = 3,
    // 1 runs the filter, 0 bypasses it: the inverse of the Bypass parameter.
    kLv2Enabled = 4,
    // The filter mode's number (FilterMode), 0 to kNumFilterModes - 1.
    kLv2Mode = 5,
};

Steinberg::Vst::Lv2PortLayout lv2PortLayout();

// The plug-in's and the UI's URIs, under the maker's web address.
std::string lv2PluginUri();
std::string lv2UiUri();

} // namespace Kestrum
