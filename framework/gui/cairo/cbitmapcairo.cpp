#include "gui/cbitmap.h"

#include <cstdint>
#include <cstring>

namespace VSTGUI
{
namespace
{

struct PngReader
{
    const unsigned char* data;
    std::size_t size;
    std::size_t position;
};

cairo_status_t readPng(void* closure, unsigned char* out, unsigned int length)
{
    auto* reader = static_cast<PngReader*>(closure);
    if (length > reader->size - reader->position)
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, reader->data + reader->position, length);
    reader->position += length;
    return CAIRO_STATUS_SUCCESS;
}

} // namespace

cairo_surface_t* CBitmap::decode(const unsigned char* pngData, std::size_t size)
{
    if (!pngData || size == 0)
        return nullptr;
    PngReader reader{pngData, size, 0};
    cairo_surface_t* decoded = cairo_image_surface_create_from_png_stream(readPng, &reader);
    if (cairo_surface_status(decoded) != CAIRO_STATUS_SUCCESS)
    {
        cairo_surface_destroy(decoded);
        return nullptr;
    }
    return decoded;
}

int CBitmap::pixelWidth(const cairo_surface_t* picture)
{
    return cairo_image_surface_get_width(const_cast<cairo_surface_t*>(picture));
}

int CBitmap::pixelHeight(const cairo_surface_t* picture)
{
    return cairo_image_surface_get_height(const_cast<cairo_surface_t*>(picture));
}

void CBitmap::destroy(cairo_surface_t* picture)
{
    if (picture)
        cairo_surface_destroy(picture);
}

bool CBitmap::getPixel(int x, int y, CColor& colour) const
{
    if (!image || x < 0 || y < 0 || x >= getWidth() || y >= getHeight())
        return false;
    cairo_surface_flush(image);
    std::uint32_t argb = 0;
    std::memcpy(&argb,
                cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image) +
                    4 * x,
                sizeof argb);
    const auto alpha = static_cast<std::uint8_t>(argb >> 24);
    // cairo keeps colours multiplied by alpha.
    const auto unpremultiply = [alpha](std::uint32_t c)
    { return static_cast<std::uint8_t>(alpha ? (c & 0xFF) * 255 / alpha : 0); };
    colour =
        CColor{unpremultiply(argb >> 16), unpremultiply(argb >> 8), unpremultiply(argb), alpha};
    return true;
}

} // namespace VSTGUI
