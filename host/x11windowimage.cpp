// Apart from the window itself: only what takes pictures needs cairo, and a
// host that never does (a scan, a load test) maps no drawing library.
#include "host/x11window.h"

#include <cairo.h>
#include <cstring>
#include <memory>

namespace KestrumHost
{
namespace
{

struct SurfaceCloser
{
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};

} // namespace

bool X11Window::saveImage(const std::string& path) const
{
    std::vector<std::uint32_t> pixels = grab();
    if (pixels.empty())
        return false;
    std::unique_ptr<cairo_surface_t, SurfaceCloser> surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, windowWidth, windowHeight));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return false;
    cairo_surface_flush(surface.get());
    unsigned char* target = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < windowHeight; ++y)
        std::memcpy(target + y * stride, pixels.data() + static_cast<std::size_t>(y) * windowWidth,
                    static_cast<std::size_t>(windowWidth) * 4);
    cairo_surface_mark_dirty(surface.get());
    return cairo_surface_write_to_png(surface.get(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

} // namespace KestrumHost
