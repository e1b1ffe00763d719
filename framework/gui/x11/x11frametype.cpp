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

// X11 has no per-window scale. Xft.dpi is left alone on purpose: desktops
// set it for their fonts, and hosts that scale their own interface (Ardour,
// REAPER, Bitwig Studio) pass their factor through the plug-in format, which
// would then be applied twice. Hosts that say nothing get 1.
double platformScaleFactor(void* /*parent*/)
{
    return 1;
}

} // namespace VSTGUI
