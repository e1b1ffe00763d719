// Parameter IDs shared by the processor, the controller and the editor.
#pragma once

#include "pluginterfaces/vst/vsttypes.h"

namespace Kestrum
{

enum KestrumParamIds : Steinberg::Vst::ParamID
{
    kBypassId = 0,
    kModeId = 1,
};

} // namespace Kestrum
