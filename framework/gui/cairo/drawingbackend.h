// The drawing library behind CBitmap and CDrawContext: cairo. Found through
// the include path the build sets for the chosen backend.
#pragma once

#include <cairo.h>

namespace VSTGUI
{

using PlatformImage = cairo_surface_t;
using PlatformContext = cairo_t;

// cairo needs no process-wide start-up.
struct PlatformSession
{
};

} // namespace VSTGUI
