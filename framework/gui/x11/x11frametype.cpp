#include "gui/platformframe.h"

#include "pluginterfaces/gui/iplugview.h"

namespace VSTGUI
{

const char* platformFrameType()
{
    return Steinberg::kPlatformTypeX11EmbedWindowID;
}

} // namespace VSTGUI
