// Windows: the host hands over an HWND.
#include "vst2/vst2platform.h"

#include "pluginterfaces/gui/iplugview.h"

namespace Steinberg
{
namespace Vst
{

FIDString vst2EditorPlatformType()
{
    return kPlatformTypeHWND;
}

} // namespace Vst
} // namespace Steinberg
