// Gestures on the toolkit's controls, routed through a frame without a
// window: which listener calls they make and which values they leave.
#include "support/guirecorder.h"

#include "gui/canimknob.h"
#include "gui/cbitmap.h"
#include "gui/cframe.h"
#include "gui/cmoviebutton.h"
#include "gui/csplashscreen.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace VSTGUI;
using KestrumTest::RecordingListener;
using KestrumTest::StubEditor;
using Calls = std::vector<std::string>;

namespace
{

std::string v(float value)
{
    return "value " + std::to_string(value);
}

struct Step
{
    enum Kind
    {
        kDown,
        kMove,
        kUp
    } kind;
    CPoint where;
    CButtonState buttons;
};

class FrameTest : public ::testing::Test
{
protected:
    void play(const std::vector<Step>& steps)
    {
        for (const Step& s : steps)
        {
            CPoint where = s.where;
            if (s.kind == Step::kDown)
                frame->onMouseDown(where, s.buttons);
            else if (s.kind == Step::kMove)
                frame->onMouseMoved(where, s.buttons);
            else
                frame->onMouseUp(where, s.buttons);
        }
    }

    StubEditor editor;
    RecordingListener listener;
    SharedPointer<CFrame> frame =
        SharedPointer<CFrame>::adopt(new CFrame(CRect(0, 0, 270, 170), nullptr, &editor));
};

// The bypass button's place and size in the editor.
const CRect kButton(175, 12, 225, 41);
const CPoint kInside(200, 25);
const CPoint kOutside(100, 100);

TEST_F(FrameTest, MovieButtonGestures)
{
    struct Case
    {
        const char* name;
        float start;
        std::vector<Step> steps;
        Calls expected;
        float end;
    };
    const std::vector<Case> cases = {
        {"click toggles on",
         0.f,
         {{Step::kDown, kInside, kLButton}, {Step::kUp, kInside, kLButton}},
         {"begin", v(1), "end"},
         1.f},
        {"click toggles off",
         1.f,
         {{Step::kDown, kInside, kLButton}, {Step::kUp, kInside, kLButton}},
         {"begin", v(0), "end"},
         0.f},
        {"move out restores, back in toggles again",
         0.f,
         {{Step::kDown, kInside, kLButton},
          {Step::kMove, kOutside, kLButton},
          {Step::kMove, kOutside, kLButton},
          {Step::kMove, kInside, kLButton},
          {Step::kUp, kInside, kLButton}},
         {"begin", v(1), v(0), v(1), "end"},
         1.f},
        {"release outside keeps the value from before",
         0.f,
         {{Step::kDown, kInside, kLButton},
          {Step::kMove, kOutside, kLButton},
          {Step::kUp, kOutside, kLButton}},
         {"begin", v(1), v(0), "end"},
         0.f},
        {"right button does nothing",
         0.f,
         {{Step::kDown, kInside, kRButton}, {Step::kUp, kInside, kRButton}},
         {},
         0.f},
        {"moves without a press do nothing", 0.f, {{Step::kMove, kInside, kLButton}}, {}, 0.f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        listener.calls.clear();
        auto* button = new CMovieButton(kButton, &listener, 7, nullptr, CPoint());
        button->setValue(c.start);
        frame->addView(button);
        play(c.steps);
        EXPECT_EQ(listener.calls, c.expected);
        EXPECT_EQ(button->getValue(), c.end);
        EXPECT_FALSE(button->isEditing());
        frame->removeView(button);
    }
}

TEST(MovieButton, SubPictureFollowsValue)
{
    CMovieButton button(kButton, nullptr, 0, nullptr, CPoint());
    for (float value : {0.f, 0.25f, 1.f})
    {
        button.setValue(value);
        EXPECT_EQ(button.getSubPictureIndex(), value == 0.f ? 0 : 1) << value;
    }
}

// The mode knob's place in the editor: centre (200, 110).
const CRect kKnob(180, 90, 220, 130);
const CPoint kCentre(200, 110);

CPoint atAngle(double degrees, double radius = 15)
{
    const double a = degrees * 3.14159265358979323846 / 180.0;
    return CPoint(kCentre.x + radius * std::cos(a), kCentre.y - radius * std::sin(a));
}

TEST_F(FrameTest, KnobFollowsTheHostKnobMode)
{
    struct Case
    {
        const char* name;
        std::int32_t mode;
        std::vector<Step> steps;
        float expected;
    };
    const std::vector<Case> cases = {
        {"circular: pointer up is the middle",
         kCircularMode,
         {{Step::kDown, atAngle(0), kLButton}, {Step::kMove, atAngle(90), kLButton}},
         0.5f},
        {"circular: lower left is the start",
         kCircularMode,
         {{Step::kDown, atAngle(0), kLButton}, {Step::kMove, atAngle(225), kLButton}},
         0.f},
        {"circular: lower right is the end",
         kCircularMode,
         {{Step::kDown, atAngle(0), kLButton}, {Step::kMove, atAngle(-45), kLButton}},
         1.f},
        {"circular: the gap below snaps to the nearer end",
         kCircularMode,
         {{Step::kDown, atAngle(0), kLButton}, {Step::kMove, atAngle(-80), kLButton}},
         1.f},
        {"relative circular: a quarter turn clockwise adds a third",
         kRelativCircularMode,
         {{Step::kDown, atAngle(90), kLButton}, {Step::kMove, atAngle(0), kLButton}},
         0.2f + 1.f / 3.f},
        {"relative circular: turning back returns",
         kRelativCircularMode,
         {{Step::kDown, atAngle(90), kLButton},
          {Step::kMove, atAngle(0), kLButton},
          {Step::kMove, atAngle(90), kLButton}},
         0.2f},
        {"linear: 100 pixels up is half the range",
         kLinearMode,
         {{Step::kDown, kCentre, kLButton}, {Step::kMove, CPoint(200, 10), kLButton}},
         0.7f},
        {"linear: dragging far down stops at 0",
         kLinearMode,
         {{Step::kDown, kCentre, kLButton}, {Step::kMove, CPoint(200, 600), kLButton}},
         0.f},
        {"no host mode: vertical over the knob's range (default 200), Shift no finer",
         kNoHostKnobMode,
         {{Step::kDown, kCentre, kLButton}, {Step::kMove, CPoint(200, 60), kLButton | kShift}},
         0.45f},
        {"no host mode: only the vertical distance counts",
         kNoHostKnobMode,
         {{Step::kDown, kCentre, kLButton},
          {Step::kMove, CPoint(150, 80), kLButton},
          {Step::kMove, CPoint(260, 110), kLButton}},
         0.2f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        editor.knobMode = c.mode;
        listener.calls.clear();
        auto* knob = new CAnimKnob(kKnob, &listener, 3, 4, 40, nullptr, CPoint());
        knob->setValue(0.2f);
        frame->addView(knob);
        play(c.steps);
        EXPECT_NEAR(knob->getValue(), c.expected, 1e-5);
        ASSERT_GE(listener.calls.size(), 2u);
        EXPECT_EQ(listener.calls.front(), "begin");
        EXPECT_EQ(listener.calls.back(), v(knob->getValue()));
        listener.calls.clear();
        play({{Step::kUp, kCentre, kLButton}});
        EXPECT_EQ(listener.calls, Calls{"end"});
        frame->removeView(knob);
    }
}

TEST_F(FrameTest, KnobControlClickResetsToDefaultAsAnEdit)
{
    auto* knob = new CAnimKnob(kKnob, &listener, 3, 4, 40, nullptr, CPoint());
    knob->setValue(0.9f);
    frame->addView(knob);
    play({{Step::kDown, kCentre, kLButton | kControl}, {Step::kUp, kCentre, kLButton}});
    EXPECT_EQ(knob->getValue(), 0.5f);
    EXPECT_EQ(listener.calls, (Calls{"begin", v(0.5f), "end"}));
}

TEST_F(FrameTest, KnobClickWithoutMoveChangesNothing)
{
    auto* knob = new CAnimKnob(kKnob, &listener, 3, 4, 40, nullptr, CPoint());
    knob->setValue(0.3f);
    frame->addView(knob);
    play({{Step::kDown, atAngle(-45), kLButton}, {Step::kUp, atAngle(-45), kLButton}});
    EXPECT_EQ(knob->getValue(), 0.3f);
    EXPECT_EQ(listener.calls, (Calls{"begin", "end"}));
}

TEST_F(FrameTest, KnobWheelStepsAndStopsAtTheEnds)
{
    auto* knob = new CAnimKnob(kKnob, &listener, 3, 4, 40, nullptr, CPoint());
    knob->setValue(0.5f);
    frame->addView(knob);
    EXPECT_TRUE(frame->onWheel(kCentre, 1.f, 0));
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-6);
    EXPECT_EQ(listener.calls, (Calls{"begin", v(knob->getValue()), "end"}));
    frame->onWheel(kCentre, -20.f, 0);
    EXPECT_EQ(knob->getValue(), 0.f);
    listener.calls.clear();
    frame->onWheel(kCentre, -1.f, 0);
    EXPECT_TRUE(listener.calls.empty()) << "no edit when the value cannot move";
    EXPECT_FALSE(frame->onWheel(CPoint(5, 5), 1.f, 0)) << "nothing under the pointer";
}

TEST(AnimKnob, EvenSubPictureRule)
{
    // Four 40-pixel pictures: the value times 120, cut to whole pixels.
    const struct
    {
        float value;
        int picture;
    } cases[] = {{0.f, 0},   {0.33f, 0}, {0.333333343f, 1}, {0.5f, 1}, {0.666666687f, 2},
                 {0.99f, 2}, {1.f, 3},   {-1.f, 0},         {5.f, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(CAnimKnob::evenSubPicture(c.value, 4, 40), c.picture) << c.value;
    EXPECT_EQ(CAnimKnob::evenSubPicture(0.7f, 4, 0), 0) << "empty picture";
}

TEST(AnimKnob, CustomRuleIsKeptInRange)
{
    CAnimKnob knob(kKnob, nullptr, 0, 4, 40, nullptr, CPoint());
    knob.setSubPictureRule([](float, int) { return 9; });
    EXPECT_EQ(knob.getSubPictureIndex(), 3);
    knob.setSubPictureRule([](float, int) { return -2; });
    EXPECT_EQ(knob.getSubPictureIndex(), 0);
}

TEST(Control, SetValueClampsAndIgnoresNaN)
{
    CControl control(CRect(0, 0, 10, 10));
    control.setValue(0.25f);
    control.setValue(std::nanf(""));
    EXPECT_EQ(control.getValue(), 0.25f);
    control.setValue(1.5f);
    EXPECT_EQ(control.getValue(), 1.f);
    control.setValue(-3.f);
    EXPECT_EQ(control.getValue(), 0.f);
}

TEST_F(FrameTest, SplashOpensAsModalViewAndClosesOnClick)
{
    auto* bitmap = new CBitmap("splash.png");
    auto* splash = new CSplashScreen(CRect(10, 10, 130, 160), &listener, 9, bitmap,
                                     CRect(0, 0, 270, 170), CPoint());
    bitmap->forget();
    frame->addView(splash);
    auto* button = new CMovieButton(kButton, &listener, 7, nullptr, CPoint());
    frame->addView(button);

    play({{Step::kDown, CPoint(60, 60), kLButton}, {Step::kUp, CPoint(60, 60), kLButton}});
    EXPECT_TRUE(splash->isSplashShown());
    EXPECT_EQ(listener.calls, Calls{v(1)});

    // While shown, the picture covers the button: a click there closes it.
    listener.calls.clear();
    play({{Step::kDown, kInside, kLButton}, {Step::kUp, kInside, kLButton}});
    EXPECT_FALSE(splash->isSplashShown());
    EXPECT_EQ(frame->getModalView(), nullptr);
    EXPECT_EQ(listener.calls, Calls{v(0)});
    EXPECT_EQ(button->getValue(), 0.f);

    listener.calls.clear();
    play({{Step::kDown, CPoint(140, 5), kLButton}});
    EXPECT_TRUE(listener.calls.empty()) << "outside the splash area";
}

TEST(Frame, ReleasesItsViewsAndPicturesWhenDestroyed)
{
    StubEditor editor;
    auto* bitmap = new CBitmap("knobimg1.png");
    auto* knob = new CAnimKnob(kKnob, nullptr, 0, 4, 40, bitmap, CPoint());
    knob->remember(); // the test's own look after the frame is gone
    bitmap->remember();
    {
        auto* frame = new CFrame(CRect(0, 0, 270, 170), nullptr, &editor);
        frame->setBackground(bitmap);
        frame->addView(knob);
        EXPECT_EQ(knob->getNbReference(), 2);
        EXPECT_EQ(bitmap->getNbReference(), 4); // creator, test, knob, frame
        EXPECT_EQ(knob->getFrame(), frame);
        frame->forget();
    }
    EXPECT_EQ(knob->getNbReference(), 1);
    EXPECT_EQ(knob->getFrame(), nullptr);
    knob->forget();
    EXPECT_EQ(bitmap->getNbReference(), 2);
    bitmap->forget();
    bitmap->forget();
}

TEST(Bitmap, FoundByNameInAnyCase)
{
    const struct
    {
        const char* name;
        double width;
        double height;
    } cases[] = {{"background11.png", 270, 170},
                 {"BypassButton.png", 50, 58},
                 {"KNOBIMG1.PNG", 40, 160},
                 {"Splash.PNG", 270, 170},
                 {"vsliderbackground.png", 7, 130}};
    for (const auto& c : cases)
    {
        SharedPointer<CBitmap> b = SharedPointer<CBitmap>::adopt(new CBitmap(c.name));
        EXPECT_TRUE(b->isLoaded()) << c.name;
        EXPECT_EQ(b->getWidth(), c.width) << c.name;
        EXPECT_EQ(b->getHeight(), c.height) << c.name;
    }
}

TEST(Bitmap, MissingOrBrokenPictureIsEmpty)
{
    const unsigned char notPng[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    for (CBitmap* b : {new CBitmap("nothere.png"), new CBitmap(CResourceDescription(nullptr)),
                       new CBitmap("background11.pn"), new CBitmap(notPng, sizeof notPng),
                       new CBitmap(nullptr, 0)})
    {
        EXPECT_FALSE(b->isLoaded());
        EXPECT_EQ(b->getWidth(), 0);
        EXPECT_EQ(b->getHeight(), 0);
        b->forget();
    }
}

} // namespace
