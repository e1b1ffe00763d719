// The editor drawn offscreen at the screen scales hosts ask for: the size a
// host sees, every device pixel painted, 2x pictures where they help, and at
// 1.0 exactly the pixels the editor has always shown. Renders go to
// screenshots/ for a look.
#include "support/editorfixture.h"

#include "gui/cdrawcontext.h"
#include "gui/cframe.h"

#include <cairo.h>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <set>

using namespace Steinberg;
using namespace VSTGUI;

namespace
{

struct SurfaceCloser
{
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceCloser>;

// Never drawn by the editor: whatever still has it was left bare.
constexpr std::uint32_t kUnpainted = 0x00FF00FF;

std::uint32_t pixel(cairo_surface_t* s, int x, int y)
{
    return reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s) +
                                                  y * cairo_image_surface_get_stride(s))[x];
}

// The frame as the window shows it, `width` x `height` device pixels.
Surface paint(CFrame* frame, int width, int height, const std::string& screenshot)
{
    Surface s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    cairo_t* cr = cairo_create(s.get());
    cairo_set_source_rgba(cr, 1, 0, 1, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    {
        CDrawContext context(cr);
        frame->paint(context, CRect(0, 0, width, height));
    }
    cairo_destroy(cr);
    cairo_surface_flush(s.get());
    std::filesystem::create_directories("screenshots");
    cairo_surface_write_to_png(s.get(), ("screenshots/" + screenshot).c_str());
    return s;
}

// Distinct colours and strong edges (neighbours differing by more than a
// quarter of the range in some channel) in a device-pixel area.
struct Detail
{
    size_t colours = 0;
    int edges = 0;
};

Detail detailOf(cairo_surface_t* s, const CRect& area)
{
    std::set<std::uint32_t> colours;
    Detail d;
    for (int y = static_cast<int>(area.top); y < area.bottom; ++y)
        for (int x = static_cast<int>(area.left); x < area.right; ++x)
        {
            const std::uint32_t p = pixel(s, x, y);
            colours.insert(p);
            if (x + 1 < area.right)
            {
                const std::uint32_t q = pixel(s, x + 1, y);
                for (int shift : {0, 8, 16})
                    if (std::abs(static_cast<int>((p >> shift) & 0xFF) -
                                 static_cast<int>((q >> shift) & 0xFF)) > 64)
                    {
                        ++d.edges;
                        break;
                    }
            }
        }
    d.colours = colours.size();
    return d;
}

class EditorScaleTest : public KestrumTest::EditorTest
{
protected:
    ViewRect size()
    {
        ViewRect r;
        EXPECT_EQ(view->getSize(&r), kResultOk);
        return r;
    }
    // Opened offscreen at `factor`, drawn whole.
    Surface renderAt(float factor, const char* screenshot)
    {
        EXPECT_EQ(view->setContentScaleFactor(factor), kResultTrue);
        EXPECT_TRUE(view->open(nullptr));
        const ViewRect r = size();
        Surface shot = paint(view->getFrame(), r.getWidth(), r.getHeight(), screenshot);
        view->close();
        return shot;
    }
};

TEST_F(EditorScaleTest, EveryScaleHasItsSizeAndPaintsEveryPixel)
{
    const struct
    {
        float factor;
        int width, height;
    } cases[] = {
        {1.0f, 270, 170}, {1.25f, 338, 213}, {1.5f, 405, 255}, {2.0f, 540, 340}, {3.0f, 810, 510}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.factor);
        const std::string name = "editor-scale-" + std::to_string(c.factor).substr(0, 4) + ".png";
        Surface shot = renderAt(c.factor, name.c_str());
        EXPECT_EQ(size().getWidth(), c.width);
        EXPECT_EQ(size().getHeight(), c.height);
        int bare = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                bare += (pixel(shot.get(), x, y) & 0xFF000000) != 0xFF000000 ||
                        pixel(shot.get(), x, y) == (0xFF000000 | kUnpainted);
        EXPECT_EQ(bare, 0) << "pixels not covered by the editor at " << c.factor;

        // The size constraint follows the scale: 270..320 x 170..220 logical.
        ViewRect tooSmall(0, 0, 1, 1);
        ViewRect tooLarge(0, 0, 10000, 10000);
        ASSERT_EQ(view->checkSizeConstraint(&tooSmall), kResultTrue);
        ASSERT_EQ(view->checkSizeConstraint(&tooLarge), kResultTrue);
        EXPECT_EQ(tooSmall.getWidth(), c.width);
        EXPECT_EQ(tooSmall.getHeight(), c.height);
        EXPECT_EQ(tooLarge.getWidth(), static_cast<int>(std::lround(320 * c.factor)));
        EXPECT_EQ(tooLarge.getHeight(), static_cast<int>(std::lround(220 * c.factor)));
    }
}

// The reference is the editor as drawn before it could scale.
TEST_F(EditorScaleTest, AtOneItDrawsExactlyTheUnscaledPixels)
{
    Surface shot = renderAt(1.0f, "editor-scale-ref.png");
    Surface reference(
        cairo_image_surface_create_from_png(KESTRUM_TEST_DATA_DIR "/editor-unscaled.png"));
    ASSERT_EQ(cairo_surface_status(reference.get()), CAIRO_STATUS_SUCCESS);
    ASSERT_EQ(cairo_image_surface_get_width(reference.get()), 270);
    ASSERT_EQ(cairo_image_surface_get_height(reference.get()), 170);
    int different = 0;
    for (int y = 0; y < 170; ++y)
        for (int x = 0; x < 270; ++x)
            different += (pixel(shot.get(), x, y) | 0xFF000000) !=
                         (pixel(reference.get(), x, y) | 0xFF000000);
    EXPECT_EQ(different, 0);
}

TEST_F(EditorScaleTest, TwoTimesIsSharperThanTheUnscaledEditorEnlarged)
{
    Surface one = renderAt(1.0f, "editor-scale-1.00.png");
    Surface two = renderAt(2.0f, "editor-scale-2.00.png");
    // The unscaled editor enlarged as a host or Windows would stretch it:
    // smoothly (softer edges) or by repeating pixels (no new colours).
    const auto enlarged = [&one](cairo_filter_t filter)
    {
        Surface s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 540, 340));
        cairo_t* cr = cairo_create(s.get());
        cairo_scale(cr, 2, 2);
        cairo_set_source_surface(cr, one.get(), 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), filter);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_flush(s.get());
        return s;
    };
    Surface smooth = enlarged(CAIRO_FILTER_GOOD);
    Surface blocky = enlarged(CAIRO_FILTER_NEAREST);
    // The knob with its labels, the title text, and the Bypass button.
    const CRect areas[] = {CRect(280, 100, 524, 320), CRect(20, 40, 260, 130),
                           CRect(350, 24, 450, 82)};
    for (const CRect& area : areas)
    {
        SCOPED_TRACE(area.left);
        const Detail sharp = detailOf(two.get(), area);
        EXPECT_GT(sharp.edges, detailOf(smooth.get(), area).edges * 3 / 2);
        EXPECT_GT(sharp.colours, detailOf(blocky.get(), area).colours * 5 / 4);
    }
}

TEST_F(EditorScaleTest, BadFactorsAreRefusedAndChangeNothing)
{
    ASSERT_EQ(view->setContentScaleFactor(1.5f), kResultTrue);
    for (float bad : {0.0f, -1.0f, 0.49f, 8.5f, std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity()})
    {
        SCOPED_TRACE(bad);
        EXPECT_EQ(view->setContentScaleFactor(bad), kInvalidArgument);
        EXPECT_EQ(size().getWidth(), 405);
        EXPECT_EQ(size().getHeight(), 255);
    }
}

// The test override stands in for the window system, never for the host.
TEST_F(EditorScaleTest, TheEnvironmentOverridesThePlatformButNotTheHost)
{
    const struct
    {
        const char* value;
        int width;
    } cases[] = {{"1.5", 405}, {"2", 540}, {"abc", 270}, {"0", 270}, {"2x", 270}, {"", 270}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.value);
        ASSERT_EQ(setenv("VSTGUI_SCALE_FACTOR", c.value, 1), 0);
        auto fresh = owned(new Kestrum::KestrumEditorView(controller.get()));
        ViewRect r;
        ASSERT_EQ(fresh->getSize(&r), kResultOk);
        EXPECT_EQ(r.getWidth(), c.width);
        ASSERT_EQ(fresh->setContentScaleFactor(1.25f), kResultTrue);
        ASSERT_EQ(fresh->getSize(&r), kResultOk);
        EXPECT_EQ(r.getWidth(), 338);
    }
    unsetenv("VSTGUI_SCALE_FACTOR");
}

} // namespace
