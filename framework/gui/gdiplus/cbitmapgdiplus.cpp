#include "gui/cbitmap.h"

#include <windows.h>
// after windows.h, which it builds on
#include <gdiplus.h>
#include <memory>
#include <objidl.h>
#include <shlwapi.h>

namespace VSTGUI
{

void CBitmap::destroy(Gdiplus::Bitmap* picture)
{
    delete picture;
}

int CBitmap::pixelWidth(const Gdiplus::Bitmap* picture)
{
    return static_cast<int>(const_cast<Gdiplus::Bitmap*>(picture)->GetWidth());
}

int CBitmap::pixelHeight(const Gdiplus::Bitmap* picture)
{
    return static_cast<int>(const_cast<Gdiplus::Bitmap*>(picture)->GetHeight());
}

Gdiplus::Bitmap* CBitmap::decode(const unsigned char* pngData, std::size_t size)
{
    if (!pngData || size == 0 || size > 0x7fffffff)
        return nullptr;
    IStream* stream = SHCreateMemStream(pngData, static_cast<UINT>(size));
    if (!stream)
        return nullptr;
    Gdiplus::Bitmap* result = nullptr;
    // GDI+ keeps reading the stream for as long as the bitmap lives: the
    // pixels are copied into a bitmap of their own, and the stream goes.
    Gdiplus::Bitmap decoded(stream, FALSE);
    if (decoded.GetLastStatus() == Gdiplus::Ok)
    {
        const INT width = static_cast<INT>(decoded.GetWidth());
        const INT height = static_cast<INT>(decoded.GetHeight());
        auto copy = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppPARGB);
        if (copy->GetLastStatus() == Gdiplus::Ok)
        {
            Gdiplus::Graphics graphics(copy.get());
            graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
            graphics.DrawImage(&decoded, Gdiplus::Rect(0, 0, width, height), 0, 0, width, height,
                               Gdiplus::UnitPixel);
            result = copy.release(); // owned by the picture, deleted through destroy()
        }
    }
    stream->Release();
    return result;
}

bool CBitmap::getPixel(int x, int y, CColor& colour) const
{
    Gdiplus::Color pixel;
    if (!image || x < 0 || y < 0 || x >= getWidth() || y >= getHeight() ||
        image->GetPixel(x, y, &pixel) != Gdiplus::Ok)
        return false;
    colour = CColor{pixel.GetR(), pixel.GetG(), pixel.GetB(), pixel.GetA()};
    return true;
}

} // namespace VSTGUI
