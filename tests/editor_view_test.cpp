// The editor view's own behaviour: its lifecycle, the edits its controls
// make on the controller, the values it shows and the host commands.
#include "support/editorfixture.h"

#include "gui/canimknob.h"
#include "gui/cframe.h"
#include "gui/cmoviebutton.h"
#include "gui/csplashscreen.h"

#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "pluginterfaces/vst/ivstplugview.h"

#include <cmath>
#include <sstream>

using namespace Steinberg;
using namespace Steinberg::Vst;
using Kestrum::KestrumEditorView;
using KestrumTest::EditorTest;
using Calls = std::vector<std::string>;

namespace
{

bool sameRect(const ViewRect& a, const ViewRect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void click(VSTGUI::CFrame* frame, VSTGUI::CPoint where, VSTGUI::CButtonState buttons)
{
    frame->onMouseDown(where, buttons);
    frame->onMouseUp(where, buttons);
}

TEST_F(EditorTest, SizeIsFixedBeforeAndAfterOpen)
{
    ViewRect size;
    ASSERT_EQ(view->getSize(&size), kResultTrue);
    EXPECT_TRUE(sameRect(size, ViewRect(0, 0, 270, 170)));
    ASSERT_TRUE(view->open(nullptr));
    view->getSize(&size);
    EXPECT_TRUE(sameRect(size, ViewRect(0, 0, 270, 170)));
    EXPECT_EQ(view->getFrame()->getViewSize(), VSTGUI::CRect(0, 0, 270, 170));
    EXPECT_EQ(view->getIdleRate(), 50);
    EXPECT_EQ(view->canResize(), kResultFalse);
}

TEST_F(EditorTest, OpenTwiceRefusedAndReopenAfterClose)
{
    ASSERT_TRUE(view->open(nullptr));
    VSTGUI::CFrame* first = view->getFrame();
    EXPECT_FALSE(view->open(nullptr));
    EXPECT_EQ(view->getFrame(), first);
    view->close();
    EXPECT_EQ(view->getFrame(), nullptr);
    EXPECT_EQ(view->getModeKnob(), nullptr);
    EXPECT_EQ(view->getBypassButton(), nullptr);
    view->close(); // closing a closed view only clears
    ASSERT_TRUE(view->open(nullptr));
    EXPECT_EQ(view->getFrame()->getNbViews(), 3) << "splash, button, knob; no text button";
}

TEST_F(EditorTest, ControlsHaveTheirPlacesTagsAndValues)
{
    controller->setParamNormalized(Kestrum::kBypassId, 1.0);
    controller->setParamNormalized(Kestrum::kModeId, 0.25);
    ASSERT_TRUE(view->open(nullptr));
    VSTGUI::CFrame* frame = view->getFrame();
    EXPECT_EQ(frame->getBackgroundColor(), (VSTGUI::CColor{127, 127, 127, 255}));
    auto* splash = frame->getView(0);
    EXPECT_TRUE(splash->isTypeOf("CSplashScreen"));
    EXPECT_EQ(splash->getViewSize(), VSTGUI::CRect(10, 10, 130, 160));
    EXPECT_EQ(static_cast<VSTGUI::CControl*>(splash)->getTag(), 0x78787878);

    EXPECT_EQ(frame->getView(1), view->getBypassButton());
    EXPECT_EQ(view->getBypassButton()->getViewSize(), VSTGUI::CRect(175, 12, 225, 41));
    EXPECT_EQ(view->getBypassButton()->getTag(), 0x42797073);
    EXPECT_EQ(view->getBypassButton()->getValue(), 1.f);

    EXPECT_EQ(frame->getView(2), view->getModeKnob());
    EXPECT_EQ(view->getModeKnob()->getViewSize(), VSTGUI::CRect(180, 90, 220, 130));
    EXPECT_EQ(view->getModeKnob()->getTag(), 0x4D6F6465);
    EXPECT_EQ(view->getModeKnob()->getValue(), 0.25f);
    EXPECT_EQ(view->getModeKnob()->getHeightOfOneImage(), 40);
}

TEST_F(EditorTest, KnobShowsTheModeTheValueSelects)
{
    ASSERT_TRUE(view->open(nullptr));
    EXPECT_EQ(view->getModeKnob()->getSubPictureIndex(), 1) << "initial 0.5";
    EXPECT_EQ(view->getBypassButton()->getSubPictureIndex(), 0);
    // The bounds belong to the lower mode, as in the processor.
    const struct
    {
        double value;
        int picture;
    } cases[] = {{0.0, 0},   {0.33, 0},        {0.333333343, 0}, {0.3333334, 1},
                 {0.5, 1},   {0.666666687, 1}, {0.6666667, 1},   {0.67, 2},
                 {0.999, 2}, {1.0, 3},         {1.5, 3},         {-0.5, 0}};
    for (const auto& c : cases)
    {
        view->update(Kestrum::kModeId, c.value);
        EXPECT_EQ(view->getModeKnob()->getSubPictureIndex(), c.picture) << c.value;
    }
}

TEST_F(EditorTest, UpdateIgnoresOtherIdsBadValuesAndClosedView)
{
    view->update(Kestrum::kModeId, 0.9); // closed: nothing to show, no crash
    ASSERT_TRUE(view->open(nullptr));
    view->update(Kestrum::kBypassId, 1.0);
    EXPECT_EQ(view->getBypassButton()->getSubPictureIndex(), 1);
    view->update(2, 0.0);
    view->update(Kestrum::kModeId, std::nan(""));
    EXPECT_EQ(view->getBypassButton()->getValue(), 1.f);
    EXPECT_EQ(view->getModeKnob()->getValue(), 0.5f);
}

TEST_F(EditorTest, BypassClickIsOneEditWithValueSetBeforePerform)
{
    ASSERT_TRUE(view->open(nullptr));
    click(view->getFrame(), {200, 25}, VSTGUI::kLButton);
    EXPECT_EQ(controller->calls, (Calls{"begin 0", "set 0 1", "perform 0 1", "end 0"}));
    EXPECT_EQ(controller->getParamNormalized(Kestrum::kBypassId), 1.0);
    controller->calls.clear();
    click(view->getFrame(), {200, 25}, VSTGUI::kLButton);
    EXPECT_EQ(controller->calls, (Calls{"begin 0", "set 0 0", "perform 0 0", "end 0"}));
}

TEST_F(EditorTest, KnobDragIsFramedByBeginAndEnd)
{
    ASSERT_TRUE(view->open(nullptr));
    VSTGUI::CFrame* frame = view->getFrame();
    VSTGUI::CPoint down(200, 110), right(215, 110), up(200, 110);
    controller->setKnobMode(kCircularMode);
    frame->onMouseDown(down, VSTGUI::kLButton);
    frame->onMouseMoved(right, VSTGUI::kLButton); // pointer at 0 degrees
    frame->onMouseUp(up, VSTGUI::kLButton);
    const float v = view->getModeKnob()->getValue();
    EXPECT_NEAR(v, 5.0 / 6.0, 1e-6);
    std::ostringstream set, perform;
    set << "set 1 " << static_cast<double>(v);
    perform << "perform 1 " << static_cast<double>(v);
    EXPECT_EQ(controller->calls, (Calls{"begin 1", set.str(), perform.str(), "end 1"}));
}

TEST_F(EditorTest, KnobControlClickResetsToHalf)
{
    controller->setParamNormalized(Kestrum::kModeId, 0.9);
    controller->calls.clear();
    ASSERT_TRUE(view->open(nullptr));
    click(view->getFrame(), {200, 110}, VSTGUI::kLButton | VSTGUI::kControl);
    EXPECT_EQ(controller->calls, (Calls{"begin 1", "set 1 0.5", "perform 1 0.5", "end 1"}));
    EXPECT_EQ(controller->getParamNormalized(Kestrum::kModeId), 0.5);
}

TEST_F(EditorTest, SplashClickMakesNoEdit)
{
    ASSERT_TRUE(view->open(nullptr));
    VSTGUI::CFrame* frame = view->getFrame();
    click(frame, {60, 80}, VSTGUI::kLButton);
    ASSERT_NE(frame->getModalView(), nullptr);
    EXPECT_EQ(frame->getModalView()->getViewSize(), VSTGUI::CRect(0, 0, 270, 170));
    click(frame, {250, 150}, VSTGUI::kLButton);
    EXPECT_EQ(frame->getModalView(), nullptr);
    EXPECT_TRUE(controller->calls.empty());
}

TEST_F(EditorTest, ResetCommandsGiveTheControllerDefaults)
{
    controller->setParamNormalized(Kestrum::kModeId, 0.1);
    controller->setParamNormalized(Kestrum::kBypassId, 1.0);
    controller->calls.clear();
    ASSERT_TRUE(view->open(nullptr));
    controller->pushTo = view.get();

    EXPECT_EQ(view->executeMenuItem(1236), kResultOk);
    EXPECT_EQ(controller->calls, (Calls{"begin 1", "set 1 0.5", "perform 1 0.5", "end 1"}));
    EXPECT_EQ(view->getModeKnob()->getSubPictureIndex(), 1);

    controller->calls.clear();
    EXPECT_EQ(view->executeMenuItem(1235), kResultOk);
    EXPECT_EQ(controller->calls, (Calls{"begin 0", "set 0 0", "perform 0 0", "end 0"}));
    EXPECT_EQ(view->getBypassButton()->getValue(), 0.f);

    controller->calls.clear();
    for (int32 tag : {1234, 1237, 0, -1})
        EXPECT_EQ(view->executeMenuItem(tag), kResultFalse) << tag;
    EXPECT_TRUE(controller->calls.empty());
}

TEST_F(EditorTest, CheckSizeConstraint)
{
    const struct
    {
        ViewRect in;
        ViewRect out;
    } cases[] = {{{0, 0, 100, 100}, {0, 0, 270, 170}},
                 {{0, 0, 400, 300}, {0, 0, 320, 220}},
                 {{10, 20, 300, 200}, {10, 20, 300, 200}},
                 {{5, 5, 600, 100}, {5, 5, 325, 175}}};
    for (const auto& c : cases)
    {
        ViewRect r = c.in;
        EXPECT_EQ(view->checkSizeConstraint(&r), kResultTrue);
        EXPECT_TRUE(sameRect(r, c.out));
    }
    EXPECT_EQ(view->checkSizeConstraint(nullptr), kInvalidArgument);
}

TEST_F(EditorTest, InterfacesAndParameterFinder)
{
    FUnknownPtr<IParameterFinder> finder(static_cast<IPlugView*>(view.get()));
    FUnknownPtr<IContextMenuTarget> menu(static_cast<IPlugView*>(view.get()));
    FUnknownPtr<IPlugView> plugView(static_cast<IPlugView*>(view.get()));
    ASSERT_TRUE(finder);
    ASSERT_TRUE(menu);
    ASSERT_TRUE(plugView);
    ParamID found = 77;
    EXPECT_EQ(finder->findParameter(200, 110, found), kResultFalse);
    EXPECT_EQ(found, 77u);
    EXPECT_EQ(menu->executeMenuItem(1234), kResultFalse);
}

TEST_F(EditorTest, PlatformTypesAndBadAttach)
{
    EXPECT_EQ(view->isPlatformTypeSupported("X11EmbedWindowID"), kResultTrue);
    for (const char* type : {"HWND", "NSView", "x11embedwindowid", ""})
        EXPECT_EQ(view->isPlatformTypeSupported(type), kResultFalse) << type;
    EXPECT_EQ(view->isPlatformTypeSupported(nullptr), kInvalidArgument);
    int dummyParent = 0;
    EXPECT_EQ(view->attached(&dummyParent, "HWND"), kResultFalse);
    EXPECT_EQ(view->attached(nullptr, "X11EmbedWindowID"), kInvalidArgument);
    EXPECT_EQ(view->getFrame(), nullptr);
    EXPECT_EQ(view->removed(), kResultFalse) << "not attached";
}

TEST_F(EditorTest, OnSizeResizesTheOpenFrame)
{
    ASSERT_TRUE(view->open(nullptr));
    ViewRect r(0, 0, 300, 200);
    EXPECT_EQ(view->onSize(&r), kResultTrue);
    EXPECT_EQ(view->getFrame()->getViewSize(), VSTGUI::CRect(0, 0, 300, 200));
    ViewRect got;
    view->getSize(&got);
    EXPECT_TRUE(sameRect(got, r));
    EXPECT_EQ(view->onSize(nullptr), kInvalidArgument);
}

TEST_F(EditorTest, OtherTagsAreIgnored)
{
    VSTGUI::CControl other(VSTGUI::CRect(0, 0, 1, 1), view.get(), 0x53656E64);
    other.setValue(1.f);
    view->valueChanged(&other);
    view->controlBeginEdit(&other);
    view->controlEndEdit(&other);
    EXPECT_TRUE(controller->calls.empty());
}

} // namespace
