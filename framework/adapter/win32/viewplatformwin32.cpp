// Windows: VST 2 and CLAP hosts hand over an HWND.
#include "adapter/viewplatform.h"

#include "pluginterfaces/gui/iplugview.h"

namespace Steinberg
{
namespace Vst
{

FIDString hostWindowPlatformType()
{
    return kPlatformTypeHWND;
}

} // namespace Vst
} // namespace Steinberg
