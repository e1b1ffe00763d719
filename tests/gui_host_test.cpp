// The built modules' editor in a real host window under Xvfb, loaded with
// dlopen as hosts load them: through VST 3 (IPlugView in a window of the
// host's own, the host's run loop) and through VST 2 (effEditOpen with an X
// window, effEditIdle). Clicks and drags sent with xdotool must come back as
// the host's edit calls and reach the processor at the next block.
#include "host/editorhost.h"
#include "host/vst2editor.h"
#include "host/vst2plugin.h"
#include "host/vst3plugin.h"
#include "support/xvfb.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#if defined(KESTRUM_VST3_BUNDLE_PATH) && defined(KESTRUM_VST2_MODULE_PATH)

using namespace Steinberg;
using KestrumHost::ComponentHandler;
using KestrumHost::EditorHost;
using KestrumHost::Vst2Editor;
using KestrumHost::Vst2Plugin;
using KestrumHost::Vst3Plugin;
using KestrumHost::X11Window;
using KestrumTest::xdotoolInWindow;

namespace
{

constexpr Vst::ParamID kBypass = 0;
constexpr Vst::ParamID kMode = 1;
constexpr int kFrames = 64;
// Time for X events to travel and the editor to redraw (idle rate 50 ms).
constexpr int kSettleMs = 250;

// Where the controls are, in window coordinates.
constexpr char kBypassButton[] = "200 25";
constexpr char kKnob[] = "200 110";
constexpr char kProductPanel[] = "60 80";

std::string dragKnob(unsigned long window)
{
    return std::string(kKnob) + " mousedown 1 mousemove --window " + std::to_string(window) +
           " 230 110 mouseup 1";
}

// Straight up and down from "bass drop" (0.5), the gesture users try first,
// in hosts that set no knob mode: about 40 pixels per mode.
struct VerticalDrag
{
    int dy;
    double mode;
};
const VerticalDrag kVerticalDrags[] = {{-60, 1.0}, {60, 0.0}, {-15, 0.625}};

std::string dragVertically(unsigned long window, int dy)
{
    return std::string(kKnob) + " mousedown 1 mousemove --window " + std::to_string(window) +
           " 200 " + std::to_string(110 + dy) + " mouseup 1";
}

// A block of audio with a DC offset: bypassed, it comes out unchanged.
struct Block
{
    Block()
    {
        for (int ch = 0; ch < 2; ++ch)
        {
            for (int i = 0; i < kFrames; ++i)
                in[ch][i] = 0.25f + 0.01f * static_cast<float>(i % 7);
            inputs[ch] = in[ch];
            outputs[ch] = out[ch];
        }
    }
    bool passedThrough() const { return std::memcmp(in, out, sizeof in) == 0; }

    float in[2][kFrames];
    float out[2][kFrames] = {};
    const float* inputs[2];
    float* outputs[2];
};

// The processor's own record of its parameters: bypass flag and Mode.
struct ProcessorParameters
{
    int32_t bypass = -1;
    float mode = -1.f;
};
ProcessorParameters readProcessor(Vst3Plugin& plugin)
{
    std::vector<std::uint8_t> bytes;
    ProcessorParameters p;
    if (plugin.getProcessorState(bytes) && bytes.size() == 8)
    {
        std::memcpy(&p.bypass, bytes.data(), 4);
        std::memcpy(&p.mode, bytes.data() + 4, 4);
    }
    return p;
}

class GuiHostTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!KestrumTest::XvfbServer::available())
            GTEST_SKIP() << "Xvfb or xdotool missing";
        xvfb = std::make_unique<KestrumTest::XvfbServer>();
        ASSERT_TRUE(xvfb->running()) << xvfb->problem();
    }
    void TearDown() override { xvfb.reset(); }

    std::unique_ptr<KestrumTest::XvfbServer> xvfb;
};

// --- VST 3 ------------------------------------------------------------------

class Vst3GuiTest : public GuiHostTest
{
protected:
    void SetUp() override
    {
        GuiHostTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        std::string error;
        plugin = Vst3Plugin::open(KESTRUM_VST3_BUNDLE_PATH, error);
        ASSERT_TRUE(plugin) << error;
        ASSERT_TRUE(plugin->start(44100.0, kFrames, 2));
        FUnknownPtr<Vst::IEditController2> controller2(plugin->controller());
        ASSERT_TRUE(controller2);
        controller2->setKnobMode(Vst::kCircularMode);
    }
    void TearDown() override
    {
        host.reset();
        view = nullptr;
        plugin.reset();
        GuiHostTest::TearDown();
    }

    void openEditor()
    {
        view = owned(plugin->controller()->createView("editor"));
        ASSERT_TRUE(view);
        host = std::make_unique<EditorHost>();
        std::string error;
        ASSERT_TRUE(host->attach(view, error)) << error;
        host->run(kSettleMs);
    }
    void act(const std::string& actions)
    {
        ASSERT_TRUE(xdotoolInWindow(host->window()->id(), actions)) << actions;
        host->run(kSettleMs);
    }
    std::vector<ComponentHandler::Call> takeCalls()
    {
        auto calls = plugin->handler().calls();
        plugin->handler().clearCalls();
        return calls;
    }
    double value(Vst::ParamID id) { return plugin->controller()->getParamNormalized(id); }

    std::unique_ptr<Vst3Plugin> plugin;
    IPtr<IPlugView> view;
    std::unique_ptr<EditorHost> host;
};

using Call = ComponentHandler::Call;
using CallType = ComponentHandler::CallType;
Call begin(Vst::ParamID id)
{
    return {CallType::beginEdit, id, 0, 0};
}
Call perform(Vst::ParamID id, double v)
{
    return {CallType::performEdit, id, v, 0};
}
Call end(Vst::ParamID id)
{
    return {CallType::endEdit, id, 0, 0};
}

TEST_F(Vst3GuiTest, EditorShowsInTheHostWindow)
{
    ASSERT_NO_FATAL_FAILURE(openEditor());
    EXPECT_EQ(host->window()->width(), 270);
    EXPECT_EQ(host->window()->height(), 170);
    EXPECT_EQ(host->window()->childCount(true), 1);
    EXPECT_EQ(host->runLoop().handlerCount(), 1u);
    EXPECT_EQ(host->runLoop().timerCount(), 1u);
    // Not the window's black: the editor drew itself.
    const std::vector<std::uint32_t> pixels = host->window()->grab();
    ASSERT_EQ(pixels.size(), 270u * 170u);
    EXPECT_NE(pixels[10 * 270 + 200], 0u);

    EXPECT_TRUE(host->remove());
    EXPECT_EQ(host->runLoop().handlerCount() + host->runLoop().timerCount(), 0u);
}

TEST_F(Vst3GuiTest, GesturesBecomeHostEditsAndReachTheProcessor)
{
    ASSERT_NO_FATAL_FAILURE(openEditor());
    takeCalls();

    act(std::string(kBypassButton) + " click 1");
    EXPECT_EQ(takeCalls(),
              (std::vector<Call>{begin(kBypass), perform(kBypass, 1.0), end(kBypass)}));
    EXPECT_EQ(value(kBypass), 1.0);
    Block bypassed;
    ASSERT_TRUE(plugin->process(bypassed.inputs, bypassed.outputs, kFrames));
    EXPECT_TRUE(bypassed.passedThrough());
    EXPECT_EQ(readProcessor(*plugin).bypass, 1);

    // Circular knob: a drag to the right of the centre lands at 5/6.
    act(dragKnob(host->window()->id()));
    const auto drag = takeCalls();
    ASSERT_GE(drag.size(), 3u);
    EXPECT_EQ(drag.front(), begin(kMode));
    EXPECT_EQ(drag.back(), end(kMode));
    EXPECT_NEAR(value(kMode), 5.0 / 6.0, 1e-6);
    Block afterDrag;
    ASSERT_TRUE(plugin->process(afterDrag.inputs, afterDrag.outputs, kFrames));
    EXPECT_NEAR(readProcessor(*plugin).mode, 5.0 / 6.0, 1e-6);

    act(std::string(kKnob) + " keydown ctrl click 1 keyup ctrl");
    EXPECT_EQ(takeCalls(), (std::vector<Call>{begin(kMode), perform(kMode, 0.5), end(kMode)}));
    EXPECT_EQ(value(kMode), 0.5);
    Block afterReset;
    ASSERT_TRUE(plugin->process(afterReset.inputs, afterReset.outputs, kFrames));
    EXPECT_EQ(readProcessor(*plugin).mode, 0.5f);

    act(std::string(kBypassButton) + " click 1");
    EXPECT_EQ(takeCalls(),
              (std::vector<Call>{begin(kBypass), perform(kBypass, 0.0), end(kBypass)}));
    Block filtered;
    ASSERT_TRUE(plugin->process(filtered.inputs, filtered.outputs, kFrames));
    EXPECT_FALSE(filtered.passedThrough());
    EXPECT_EQ(readProcessor(*plugin).bypass, 0);
}

TEST_F(Vst3GuiTest, WithoutAKnobModeAVerticalDragTurnsTheKnob)
{
    // A fresh instance: the fixture's has been given a knob mode.
    std::string error;
    plugin = Vst3Plugin::open(KESTRUM_VST3_BUNDLE_PATH, error);
    ASSERT_TRUE(plugin && plugin->start(44100.0, kFrames, 2)) << error;
    ASSERT_NO_FATAL_FAILURE(openEditor());
    for (const VerticalDrag& drag : kVerticalDrags)
    {
        SCOPED_TRACE(drag.dy);
        ASSERT_EQ(plugin->controller()->setParamNormalized(kMode, 0.5), kResultOk);
        host->run(kSettleMs);
        takeCalls();
        act(dragVertically(host->window()->id(), drag.dy));
        const auto calls = takeCalls();
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls.front(), begin(kMode));
        EXPECT_EQ(calls.back(), end(kMode));
        EXPECT_NEAR(value(kMode), drag.mode, 1e-6);
    }
}

TEST_F(Vst3GuiTest, ProductPanelOpensAndClosesTheSplash)
{
    ASSERT_NO_FATAL_FAILURE(openEditor());
    takeCalls();
    const auto closed = host->window()->grab();
    act(std::string(kProductPanel) + " click 1");
    const auto splash = host->window()->grab();
    EXPECT_NE(splash, closed) << "the splash covers the window";
    act(std::string(kProductPanel) + " click 1");
    EXPECT_EQ(host->window()->grab(), closed);
    EXPECT_TRUE(takeCalls().empty()) << "the splash makes no edit";
}

TEST_F(Vst3GuiTest, HostValueChangesShowInTheOpenEditor)
{
    ASSERT_NO_FATAL_FAILURE(openEditor());
    const auto before = host->window()->grab();
    ASSERT_EQ(plugin->controller()->setParamNormalized(kBypass, 1.0), kResultOk);
    host->run(kSettleMs);
    EXPECT_NE(host->window()->grab(), before);
    ASSERT_EQ(plugin->controller()->setParamNormalized(kBypass, 0.0), kResultOk);
    host->run(kSettleMs);
    EXPECT_EQ(host->window()->grab(), before);
}

// --- VST 2 ------------------------------------------------------------------

class Vst2GuiTest : public GuiHostTest
{
protected:
    void SetUp() override
    {
        GuiHostTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        std::string error;
        plugin = Vst2Plugin::open(KESTRUM_VST2_MODULE_PATH, error);
        ASSERT_TRUE(plugin) << error;
        ASSERT_TRUE(plugin->start(44100.0, kFrames, 2));
    }
    void TearDown() override
    {
        editor.reset();
        plugin.reset();
        GuiHostTest::TearDown();
    }

    void openEditor()
    {
        std::string error;
        editor = Vst2Editor::open(*plugin, error);
        ASSERT_TRUE(editor) << error;
        editor->run(kSettleMs);
    }
    void act(const std::string& actions)
    {
        ASSERT_TRUE(xdotoolInWindow(editor->window().id(), actions)) << actions;
        editor->run(kSettleMs);
    }
    // The edit calls among what the effect told the host, as text.
    std::vector<std::string> takeEdits()
    {
        std::vector<std::string> edits;
        for (const auto& c : plugin->hostCalls())
        {
            if (c.opcode == Vst2::audioMasterBeginEdit)
                edits.push_back("begin " + std::to_string(c.index));
            else if (c.opcode == Vst2::audioMasterEndEdit)
                edits.push_back("end " + std::to_string(c.index));
            else if (c.opcode == Vst2::audioMasterAutomate)
                edits.push_back("automate " + std::to_string(c.index) + " " +
                                std::to_string(c.opt));
        }
        plugin->clearHostCalls();
        return edits;
    }

    std::unique_ptr<Vst2Plugin> plugin;
    std::unique_ptr<Vst2Editor> editor;
};

using Edits = std::vector<std::string>;

TEST_F(Vst2GuiTest, EditorOpensMappedInAPlainHostWindow)
{
    EXPECT_TRUE(plugin->effect()->flags & Vst2::effFlagsHasEditor);
    plugin->clearHostCalls();
    ASSERT_NO_FATAL_FAILURE(openEditor());
    EXPECT_EQ(editor->window().width(), 270);
    EXPECT_EQ(editor->window().height(), 170);
    // This host maps nothing: the effect had to.
    EXPECT_EQ(editor->window().childCount(true), 1);
    const auto pixels = editor->window().grab();
    ASSERT_EQ(pixels.size(), 270u * 170u);
    EXPECT_NE(pixels[10 * 270 + 200], 0u);

    bool toldSize = false;
    for (const auto& c : plugin->hostCalls())
        toldSize |= c.opcode == Vst2::audioMasterSizeWindow && c.index == 270 && c.value == 170;
    EXPECT_TRUE(toldSize);

    EXPECT_EQ(plugin->dispatch(Vst2::effEditOpen, 0, 0, editor->window().handle()), 0)
        << "already open";
    EXPECT_EQ(plugin->dispatch(Vst2::effEditClose), 1);
    EXPECT_EQ(editor->window().childCount(), 0);
    EXPECT_EQ(plugin->dispatch(Vst2::effEditIdle), 0);
}

TEST_F(Vst2GuiTest, GesturesBecomeAutomation)
{
    ASSERT_NO_FATAL_FAILURE(openEditor());
    plugin->clearHostCalls();

    act(std::string(kBypassButton) + " click 1");
    EXPECT_EQ(takeEdits(), (Edits{"begin 0", "automate 0 1.000000", "end 0"}));
    EXPECT_EQ(plugin->getParameter(kBypass), 1.0);
    Block bypassed;
    ASSERT_TRUE(plugin->process(bypassed.inputs, bypassed.outputs, kFrames));
    EXPECT_TRUE(bypassed.passedThrough());

    // No knob mode in VST 2: the drag is vertical.
    act(dragVertically(editor->window().id(), -60));
    const Edits drag = takeEdits();
    ASSERT_GE(drag.size(), 3u);
    EXPECT_EQ(drag.front(), "begin 1");
    EXPECT_EQ(drag.back(), "end 1");
    EXPECT_NEAR(plugin->getParameter(kMode), 1.0, 1e-6);

    act(std::string(kKnob) + " keydown ctrl click 1 keyup ctrl");
    EXPECT_EQ(takeEdits(), (Edits{"begin 1", "automate 1 0.500000", "end 1"}));
    EXPECT_EQ(plugin->getParameter(kMode), 0.5);

    const auto closed = editor->window().grab();
    act(std::string(kProductPanel) + " click 1");
    EXPECT_NE(editor->window().grab(), closed);
    act(std::string(kProductPanel) + " click 1");
    EXPECT_EQ(editor->window().grab(), closed);
    EXPECT_TRUE(takeEdits().empty());
}

TEST_F(Vst2GuiTest, AVerticalDragTurnsTheKnob)
{
    ASSERT_NO_FATAL_FAILURE(openEditor());
    for (const VerticalDrag& drag : kVerticalDrags)
    {
        SCOPED_TRACE(drag.dy);
        ASSERT_TRUE(plugin->setParameter(kMode, 0.5));
        editor->run(kSettleMs);
        plugin->clearHostCalls();
        act(dragVertically(editor->window().id(), drag.dy));
        const Edits edits = takeEdits();
        ASSERT_GE(edits.size(), 2u);
        EXPECT_EQ(edits.front(), "begin 1");
        EXPECT_EQ(edits.back(), "end 1");
        EXPECT_NEAR(plugin->getParameter(kMode), drag.mode, 1e-6);
    }
}

TEST_F(Vst2GuiTest, HostAutomationShowsInTheOpenEditor)
{
    ASSERT_NO_FATAL_FAILURE(openEditor());
    const auto before = editor->window().grab();
    ASSERT_TRUE(plugin->setParameter(kBypass, 1.0));
    editor->run(kSettleMs);
    EXPECT_NE(editor->window().grab(), before);
}

} // namespace

#endif
