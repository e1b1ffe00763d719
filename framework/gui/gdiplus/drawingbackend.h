// The drawing library behind CBitmap and CDrawContext on Windows: GDI+.
// Found through the include path the build sets for the chosen backend.
#pragma once

#include <memory>

namespace Gdiplus
{
class Bitmap;
class Graphics;
} // namespace Gdiplus

namespace VSTGUI
{

using PlatformImage = Gdiplus::Bitmap;
using PlatformContext = Gdiplus::Graphics;

// GDI+ works only between GdiplusStartup and GdiplusShutdown. Every picture
// and window holds a session; the last one to go shuts GDI+ down, so the
// module leaves nothing running when the host unloads it.
class PlatformSession
{
public:
    PlatformSession();

private:
    std::shared_ptr<void> token;
};

} // namespace VSTGUI
