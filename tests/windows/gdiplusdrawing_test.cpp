// The toolkit's GDI+ drawing into an offscreen bitmap: rectangles cover
// exactly their pixels (as with cairo), text in Arial 12 lands inside its
// rectangle where the alignment puts it and nowhere else, and pictures are
// copied pixel for pixel from their offset.
#include "gui/cbitmap.h"
#include "gui/cdrawcontext.h"

#include <windows.h>
// after windows.h, which it builds on
#include <gdiplus.h>
#include <shlwapi.h>

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace VSTGUI;

namespace
{

constexpr int kSize = 64;

class GdiplusDrawing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // A picture made first starts GDI+ for this test's own bitmaps too.
        probe = std::make_unique<CBitmap>(CResourceDescription("none"));
        target = std::make_unique<Gdiplus::Bitmap>(kSize, kSize, PixelFormat32bppARGB);
        graphics = std::make_unique<Gdiplus::Graphics>(target.get());
        graphics->Clear(Gdiplus::Color(255, 0, 0, 0));
    }
    std::uint32_t at(int x, int y)
    {
        Gdiplus::Color c;
        target->GetPixel(x, y, &c);
        return c.GetValue() & 0xffffffu;
    }
    // The columns (or rows) that hold any non-black pixel.
    RECT ink()
    {
        RECT r = {kSize, kSize, -1, -1};
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                if (at(x, y) != 0)
                    r = {std::min<LONG>(r.left, x), std::min<LONG>(r.top, y),
                         std::max<LONG>(r.right, x + 1), std::max<LONG>(r.bottom, y + 1)};
        return r;
    }

    std::unique_ptr<CBitmap> probe;
    std::unique_ptr<Gdiplus::Bitmap> target;
    std::unique_ptr<Gdiplus::Graphics> graphics;
};

} // namespace

TEST_F(GdiplusDrawing, RectanglesCoverWholePixels)
{
    {
        CDrawContext context(graphics.get());
        context.setFillColor(CColor{255, 0, 0, 255});
        context.drawRect(CRect(10, 10, 20, 30), kDrawFilled);
        context.setFrameColor(CColor{0, 255, 0, 255});
        context.drawRect(CRect(30, 30, 40, 40), kDrawStroked);
    }
    graphics->Flush(Gdiplus::FlushIntentionSync);
    EXPECT_EQ(at(10, 10), 0xff0000u);
    EXPECT_EQ(at(19, 29), 0xff0000u);
    EXPECT_EQ(at(9, 10), 0u);
    EXPECT_EQ(at(20, 10), 0u);
    EXPECT_EQ(at(10, 30), 0u);
    // A one-pixel frame on the rectangle's own edge pixels, none inside.
    EXPECT_EQ(at(30, 30), 0x00ff00u);
    EXPECT_EQ(at(39, 35), 0x00ff00u);
    EXPECT_EQ(at(35, 39), 0x00ff00u);
    EXPECT_EQ(at(35, 35), 0u);
    EXPECT_EQ(at(40, 35), 0u);
}

TEST_F(GdiplusDrawing, TextStaysInItsRectangleAndFollowsTheAlignment)
{
    const CRect box(4, 20, 60, 40);
    RECT left, right;
    for (CHoriTxtAlign align : {kLeftText, kRightText})
    {
        graphics->Clear(Gdiplus::Color(255, 0, 0, 0));
        {
            CDrawContext context(graphics.get());
            context.setFontColor(kWhiteCColor);
            context.drawString("Kes", box, align);
        }
        graphics->Flush(Gdiplus::FlushIntentionSync);
        const RECT r = ink();
        ASSERT_LT(r.left, r.right) << "no text drawn";
        EXPECT_GE(r.left, box.left);
        EXPECT_LE(r.right, box.right);
        EXPECT_GE(r.top, box.top);
        EXPECT_LE(r.bottom, box.bottom);
        // Arial at 12 pixels: capitals some 8 to 10 pixels high.
        EXPECT_GE(r.bottom - r.top, 7);
        EXPECT_LE(r.bottom - r.top, 13);
        (align == kLeftText ? left : right) = r;
    }
    EXPECT_LT(left.left, box.left + 6);
    EXPECT_GT(right.right, box.right - 6);
    EXPECT_GT(right.left, left.left + 20);
}

TEST_F(GdiplusDrawing, LongTextIsClippedToItsRectangle)
{
    const CRect box(10, 10, 30, 30);
    {
        CDrawContext context(graphics.get());
        context.drawString("a line far wider than its box", box, kLeftText);
    }
    graphics->Flush(Gdiplus::FlushIntentionSync);
    const RECT r = ink();
    ASSERT_LT(r.left, r.right);
    EXPECT_GE(r.left, box.left);
    EXPECT_LE(r.right, box.right);
}

TEST_F(GdiplusDrawing, PicturesAreCopiedFromTheirOffset)
{
    // A 2x2 picture: the offset picks its lower right pixel.
    Gdiplus::Bitmap source(2, 2, PixelFormat32bppARGB);
    source.SetPixel(1, 1, Gdiplus::Color(255, 10, 200, 30));
    CLSID png;
    CLSIDFromString(L"{557CF406-1A04-11D3-9A73-0000F81EF32E}", &png);
    IStream* stream = SHCreateMemStream(nullptr, 0);
    ASSERT_TRUE(stream);
    ASSERT_EQ(source.Save(stream, &png, nullptr), Gdiplus::Ok);
    STATSTG stat;
    stream->Stat(&stat, STATFLAG_NONAME);
    std::vector<unsigned char> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
    LARGE_INTEGER start = {};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    stream->Release();

    CBitmap picture(bytes.data(), bytes.size());
    ASSERT_EQ(picture.getWidth(), 2);
    {
        CDrawContext context(graphics.get());
        context.drawBitmap(picture, CRect(5, 5, 6, 6), CPoint(1, 1));
    }
    graphics->Flush(Gdiplus::FlushIntentionSync);
    EXPECT_EQ(at(5, 5), 0x0ac81eu);
    EXPECT_EQ(at(4, 4), 0u); // clipped to the destination
    EXPECT_EQ(at(6, 5), 0u);

    // Bytes that are no picture give an empty picture, not a crash.
    const unsigned char junk[] = {1, 2, 3, 4};
    CBitmap broken(junk, sizeof junk);
    EXPECT_FALSE(broken.isLoaded());
    EXPECT_EQ(broken.getWidth(), 0);
}
