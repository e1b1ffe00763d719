#include "gui/platformframe.h"

#include "gui/x11/lazylibrary.h"

#include "pluginterfaces/gui/iplugview.h"

namespace VSTGUI
{

const char* platformFrameType()
{
    return Steinberg::kPlatformTypeX11EmbedWindowID;
}

bool loadPlatformLibraries()
{
    return Lazy::xcbAvailable() && Lazy::cairoAvailable();
}

} // namespace VSTGUI
