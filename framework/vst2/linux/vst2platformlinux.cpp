// X11: a VST 2 host hands over a plain X window.
#include "vst2/vst2platform.h"

#include "pluginterfaces/gui/iplugview.h"

namespace Steinberg
{
namespace Vst
{

FIDString vst2EditorPlatformType()
{
    return kPlatformTypeX11EmbedWindowID;
}

} // namespace Vst
} // namespace Steinberg
