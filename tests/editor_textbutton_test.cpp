// The text button: one listener call per press of any button, nothing on
// release, its type names, copies, and what it draws.
#include "support/guirecorder.h"

#include "editor/ctextbutton.h"
#include "gui/cframe.h"

#include <cairo.h>
#include <gtest/gtest.h>

using namespace VSTGUI;
using Kestrum::CTextButton;
using KestrumTest::RecordingListener;

namespace
{

const CRect kArea(20, 10, 120, 40);

TEST(TextButton, EachPressOfAnyButtonCallsTheListenerOnce)
{
    RecordingListener listener;
    CTextButton button(kArea, &listener, 0x53656E64, "Send!");
    button.setValue(0.3f);
    const CButtonState presses[] = {kLButton,         kRButton, kMButton,
                                    kButton4,         kButton5, kLButton | kDoubleClick,
                                    kRButton | kShift};
    CPoint where(50, 20);
    for (CButtonState b : presses)
    {
        listener.calls.clear();
        EXPECT_EQ(button.onMouseDown(where, b), kMouseEventHandled);
        EXPECT_EQ(listener.calls, std::vector<std::string>{"value " + std::to_string(0.3f)});
        listener.calls.clear();
        EXPECT_EQ(button.onMouseUp(where, b), kMouseEventNotHandled);
        EXPECT_EQ(button.onMouseMoved(where, b), kMouseEventNotHandled);
        EXPECT_TRUE(listener.calls.empty());
    }
    EXPECT_EQ(button.getValue(), 0.3f);
}

TEST(TextButton, PressWithoutListenerIsStillHandled)
{
    CTextButton button(kArea, nullptr, 1, "x");
    CPoint where(50, 20);
    EXPECT_EQ(button.onMouseDown(where, kLButton), kMouseEventHandled);
}

TEST(TextButton, ThroughAFrameTheReleaseReachesNothing)
{
    RecordingListener listener;
    auto* frame = new CFrame(CRect(0, 0, 200, 100), nullptr, nullptr);
    frame->addView(new CTextButton(kArea, &listener, 1, "Send!"));
    CPoint where(30, 20);
    frame->onMouseDown(where, kRButton);
    frame->onMouseUp(where, kRButton);
    EXPECT_EQ(listener.calls.size(), 1u);
    frame->forget();
}

TEST(TextButton, TypeNames)
{
    CTextButton button(kArea, nullptr, 1, "x");
    for (const char* yes : {"CTextButton", "CControl", "CView"})
        EXPECT_TRUE(button.isTypeOf(yes)) << yes;
    for (const char* no : {"CTextLabel", "CParamDisplay", "ctextbutton", "CTextButton ", ""})
        EXPECT_FALSE(button.isTypeOf(no)) << no;
    EXPECT_FALSE(button.isTypeOf(nullptr));
}

TEST(TextButton, CopyKeepsEverythingAndWorksAlike)
{
    RecordingListener listener;
    CTextButton button(kArea, &listener, 0x53656E64, "Send!");
    button.setFontColor(CColor{10, 20, 30, 255});
    CView* copyView = button.newCopy();
    ASSERT_NE(copyView, nullptr);
    ASSERT_TRUE(copyView->isTypeOf("CTextButton"));
    auto* copy = static_cast<CTextButton*>(copyView);
    EXPECT_EQ(copy->getViewSize(), kArea);
    EXPECT_EQ(copy->getListener(), &listener);
    EXPECT_EQ(copy->getTag(), 0x53656E64);
    EXPECT_EQ(copy->getText(), "Send!");
    EXPECT_EQ(copy->getFontColor(), (CColor{10, 20, 30, 255}));
    CPoint where(50, 20);
    copy->onMouseDown(where, kLButton);
    EXPECT_EQ(listener.calls.size(), 1u);
    copy->forget();
}

struct Pixel
{
    int r, g, b;
};

Pixel pixelAt(cairo_surface_t* s, int x, int y)
{
    cairo_surface_flush(s);
    const unsigned char* row =
        cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    const auto p = reinterpret_cast<const std::uint32_t*>(row)[x];
    return {static_cast<int>((p >> 16) & 0xff), static_cast<int>((p >> 8) & 0xff),
            static_cast<int>(p & 0xff)};
}

// Pixels of a colour inside rect.
int countColour(cairo_surface_t* s, const CRect& rect, Pixel colour)
{
    int n = 0;
    for (int y = static_cast<int>(rect.top); y < rect.bottom; ++y)
        for (int x = static_cast<int>(rect.left); x < rect.right; ++x)
        {
            const Pixel p = pixelAt(s, x, y);
            n += (p.r == colour.r && p.g == colour.g && p.b == colour.b);
        }
    return n;
}

cairo_surface_t* drawButton(CTextButton& button)
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 140, 50);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, 0, 0, 1); // blue paper, so untouched pixels show
    cairo_paint(cr);
    {
        CDrawContext context(cr);
        button.draw(&context);
    }
    cairo_destroy(cr);
    return s;
}

TEST(TextButton, DrawsWhiteTextOnBlackByDefault)
{
    CTextButton button(kArea, nullptr, 1, "Send!");
    cairo_surface_t* s = drawButton(button);
    EXPECT_EQ(countColour(s, CRect(0, 0, 140, 10), {0, 0, 255}), 140 * 10) << "outside untouched";
    const int black = countColour(s, kArea, {0, 0, 0});
    EXPECT_GT(black, 100 * 30 / 2);
    EXPECT_GT(countColour(s, kArea, {255, 255, 255}), 0) << "the text";
    const Pixel inside = pixelAt(s, 23, 13);
    EXPECT_EQ(inside.r + inside.g + inside.b, 0) << "the grey fill is covered by the label";
    cairo_surface_destroy(s);
}

TEST(TextButton, TransparentShowsGreyWithBlackOutline)
{
    CTextButton button(kArea, nullptr, 1, "Send!");
    button.setTransparency(true);
    button.setFontColor(CColor{255, 0, 0, 255});
    cairo_surface_t* s = drawButton(button);
    const Pixel corner = pixelAt(s, 20, 10);
    EXPECT_EQ(corner.r + corner.g + corner.b, 0) << "outline";
    const Pixel inside = pixelAt(s, 23, 13);
    EXPECT_EQ(inside.r, 127);
    EXPECT_EQ(inside.b, 127);
    EXPECT_GT(countColour(s, kArea, {255, 0, 0}), 0) << "text in the font colour";
    cairo_surface_destroy(s);
}

} // namespace
