// X11: a VST 2 host hands over a plain X window and does not map XEmbed
// clients, so the adapter maps them as an embedder would.
#include "vst2/vst2platform.h"
#include "vst2/vst2xembed.h"

#include "pluginterfaces/gui/iplugview.h"

namespace Steinberg
{
namespace Vst
{

FIDString vst2EditorPlatformType()
{
    return kPlatformTypeX11EmbedWindowID;
}

bool showAttachedEditor(std::uintptr_t parent)
{
    return mapXEmbedClients(parent);
}

} // namespace Vst
} // namespace Steinberg
