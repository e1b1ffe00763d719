// What the CLAP editor must know of the window system: the CLAP window API
// it embeds into (the view's platform type is the adapters' own,
// adapter/viewplatform.h).
#pragma once

#include "clap/ext/gui.h"

namespace Steinberg
{
namespace Vst
{

const char* clapWindowApi();
// The native handle inside a clap_window_t of that API.
void* clapNativeWindow(const clap_window_t& window);

} // namespace Vst
} // namespace Steinberg
