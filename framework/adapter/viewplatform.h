// What a format adapter's editor must know of the window system: the view
// platform type of the window its host hands over (an X window, an HWND).
#pragma once

#include "pluginterfaces/base/ftypes.h"

namespace Steinberg
{
namespace Vst
{

FIDString hostWindowPlatformType();

} // namespace Vst
} // namespace Steinberg
