// What the CLAP editor must know of the window system: the CLAP window API
// it embeds into and the VST 3 view platform type of that window.
#pragma once

#include "clap/ext/gui.h"

#include "pluginterfaces/gui/iplugview.h"

namespace Steinberg
{
namespace Vst
{

const char* clapWindowApi();
FIDString clapViewPlatformType();
// The native handle inside a clap_window_t of that API.
void* clapNativeWindow(const clap_window_t& window);

} // namespace Vst
} // namespace Steinberg
