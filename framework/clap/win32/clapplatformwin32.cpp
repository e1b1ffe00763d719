// Windows: CLAP hosts hand over an HWND.
#include "clap/clapplatform.h"

namespace Steinberg
{
namespace Vst
{

const char* clapWindowApi()
{
    return CLAP_WINDOW_API_WIN32;
}

void* clapNativeWindow(const clap_window_t& window)
{
    return window.win32;
}

} // namespace Vst
} // namespace Steinberg
