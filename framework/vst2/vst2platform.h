// What the VST 2 editor adapter must know of the window system: the view
// platform type of the window a VST 2 host hands over, and what makes an
// attached editor visible in it.
#pragma once

#include "pluginterfaces/base/ftypes.h"

#include <cstdint>

namespace Steinberg
{
namespace Vst
{

FIDString vst2EditorPlatformType();

// Called after the view is attached to `parent`; false when the editor
// cannot be shown there (the window is gone, the display cannot be reached).
bool showAttachedEditor(std::uintptr_t parent);

} // namespace Vst
} // namespace Steinberg
