// The two class IDs of the plug-in, read by the factory, the VST 2 entry and
// the processor (which names the controller class). Built from their four
// words with the SDK's own macro, so the bytes follow the platform's layout
// and the 32-digit string form is the same everywhere.
#pragma once

#include "pluginterfaces/base/funknown.h"

namespace Kestrum
{

static const Steinberg::FUID KestrumProcessorUID(0x74E8DE4F, 0x82554F52, 0x86FAE412, 0x2C935A17);
static const Steinberg::FUID KestrumControllerUID(0xC39D5B64, 0xC7AF41FA, 0x743F4AC7, 0x31EB03F0);

} // namespace Kestrum
