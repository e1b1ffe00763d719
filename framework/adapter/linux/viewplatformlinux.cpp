// X11: VST 2 and CLAP hosts hand over a plain X window.
#include "adapter/viewplatform.h"

#include "pluginterfaces/gui/iplugview.h"

namespace Steinberg
{
namespace Vst
{

FIDString hostWindowPlatformType()
{
    return kPlatformTypeX11EmbedWindowID;
}

} // namespace Vst
} // namespace Steinberg
