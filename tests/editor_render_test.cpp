// The open editor drawn offscreen: which pictures land where. The renders
// are saved under screenshots/ in the test's working folder for a look.
#include "support/editorfixture.h"

#include "gui/cbitmap.h"
#include "gui/cdrawcontext.h"
#include "gui/cframe.h"

#include <cairo.h>
#include <filesystem>

using namespace VSTGUI;

namespace
{

struct SurfaceCloser
{
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceCloser>;

Surface newSurface()
{
    return Surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 270, 170));
}

Surface render(CFrame* frame, const char* screenshot)
{
    Surface s = newSurface();
    cairo_t* cr = cairo_create(s.get());
    {
        CDrawContext context(cr);
        frame->draw(&context);
    }
    cairo_destroy(cr);
    std::filesystem::create_directories("screenshots");
    cairo_surface_write_to_png(s.get(), (std::string("screenshots/") + screenshot).c_str());
    return s;
}

// The background picture with picture `name`'s part at `offset` placed at `where`.
Surface expected(const char* name, CRect where, CPoint offset)
{
    Surface s = newSurface();
    cairo_t* cr = cairo_create(s.get());
    CBitmap background("background11.png");
    CBitmap picture(name);
    cairo_set_source_surface(cr, background.surface(), 0, 0);
    cairo_paint(cr);
    cairo_rectangle(cr, where.left, where.top, where.getWidth(), where.getHeight());
    cairo_clip(cr);
    cairo_set_source_surface(cr, picture.surface(), where.left - offset.x, where.top - offset.y);
    cairo_paint(cr);
    cairo_destroy(cr);
    return s;
}

// Pixels in rect where the two images differ.
int differences(cairo_surface_t* a, cairo_surface_t* b, const CRect& rect)
{
    cairo_surface_flush(a);
    cairo_surface_flush(b);
    const int stride = cairo_image_surface_get_stride(a);
    int n = 0;
    for (int y = static_cast<int>(rect.top); y < rect.bottom; ++y)
        for (int x = static_cast<int>(rect.left); x < rect.right; ++x)
        {
            const auto pa = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(a) +
                                                                   y * stride)[x];
            const auto pb = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(b) +
                                                                   y * stride)[x];
            n += pa != pb;
        }
    return n;
}

const CRect kKnob(180, 90, 220, 130);
const CRect kButton(175, 12, 225, 41);
const CRect kWindow(0, 0, 270, 170);

class EditorRenderTest : public KestrumTest::EditorTest
{
};

TEST_F(EditorRenderTest, DefaultsShowKnobUpAndButtonOff)
{
    ASSERT_TRUE(view->open(nullptr));
    Surface shot = render(view->getFrame(), "editor-normal.png");
    Surface knobUp = expected("knobimg1.png", kKnob, CPoint(0, 40));
    EXPECT_EQ(differences(shot.get(), knobUp.get(), kKnob), 0);
    EXPECT_GT(differences(shot.get(), expected("knobimg1.png", kKnob, CPoint(0, 0)).get(), kKnob),
              0)
        << "the sub-pictures differ, so the check above means something";
    Surface buttonOff = expected("bypassbutton.png", kButton, CPoint(0, 0));
    EXPECT_EQ(differences(shot.get(), buttonOff.get(), kButton), 0);
    // Everywhere but the two controls the background picture fills the window.
    Surface plain = expected("background11.png", kWindow, CPoint(0, 0));
    EXPECT_EQ(differences(shot.get(), plain.get(), CRect(0, 0, 270, 12)), 0);
    EXPECT_EQ(differences(shot.get(), plain.get(), CRect(0, 41, 270, 90)), 0);
    EXPECT_EQ(differences(shot.get(), plain.get(), CRect(0, 130, 270, 170)), 0);
    EXPECT_EQ(differences(shot.get(), plain.get(), CRect(0, 0, 175, 170)), 0);
}

TEST_F(EditorRenderTest, BypassOnShowsLowerHalf)
{
    controller->setParamNormalized(Kestrum::kBypassId, 1.0);
    ASSERT_TRUE(view->open(nullptr));
    Surface shot = render(view->getFrame(), "editor-bypass-on.png");
    Surface lit = expected("bypassbutton.png", kButton, CPoint(0, 29));
    EXPECT_EQ(differences(shot.get(), lit.get(), kButton), 0);
    EXPECT_GT(
        differences(shot.get(), expected("bypassbutton.png", kButton, CPoint()).get(), kButton), 0);
}

TEST_F(EditorRenderTest, EachModeShowsItsKnobPicture)
{
    ASSERT_TRUE(view->open(nullptr));
    const struct
    {
        double value;
        int picture;
        const char* file;
    } cases[] = {{0.0, 0, "editor-mode-superlow.png"},
                 {0.5, 1, "editor-mode-bassdrop.png"},
                 {1.0, 3, "editor-mode-guitar.png"},
                 {0.333333343, 0, "editor-mode-bound-low.png"},
                 {0.666666687, 1, "editor-mode-bound-high.png"}};
    for (const auto& c : cases)
    {
        view->update(Kestrum::kModeId, c.value);
        Surface shot = render(view->getFrame(), c.file);
        Surface want = expected("knobimg1.png", kKnob, CPoint(0, 40.0 * c.picture));
        EXPECT_EQ(differences(shot.get(), want.get(), kKnob), 0) << c.value;
    }
}

TEST_F(EditorRenderTest, SplashCoversTheWindowWhileOpen)
{
    ASSERT_TRUE(view->open(nullptr));
    CPoint where(60, 60);
    view->getFrame()->onMouseDown(where, kLButton);
    view->getFrame()->onMouseUp(where, kLButton);
    Surface shot = render(view->getFrame(), "editor-splash.png");
    Surface splash = newSurface();
    {
        CBitmap picture("splash.png");
        cairo_t* cr = cairo_create(splash.get());
        cairo_set_source_surface(cr, picture.surface(), 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
    }
    EXPECT_EQ(differences(shot.get(), splash.get(), kWindow), 0);
}

} // namespace
