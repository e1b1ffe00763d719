// What the VST 2 editor adapter must know of the window system: the view
// platform type of the window a VST 2 host hands over.
#pragma once

#include "pluginterfaces/base/ftypes.h"

namespace Steinberg
{
namespace Vst
{

FIDString vst2EditorPlatformType();

} // namespace Vst
} // namespace Steinberg
