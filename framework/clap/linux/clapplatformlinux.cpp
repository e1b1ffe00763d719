// X11: CLAP hosts hand over a plain X window id.
#include "clap/clapplatform.h"

#include <cstdint>

namespace Steinberg
{
namespace Vst
{

const char* clapWindowApi()
{
    return CLAP_WINDOW_API_X11;
}

void* clapNativeWindow(const clap_window_t& window)
{
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window.x11));
}

} // namespace Vst
} // namespace Steinberg
