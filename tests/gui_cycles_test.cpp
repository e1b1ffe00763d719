// Opening and closing the built module's editor many times, through VST 3
// and VST 2, leaves nothing behind: no registration in the host's run loop,
// no window, and (run under valgrind or LeakSanitizer) no memory.
#include "host/editorhost.h"
#include "host/vst2editor.h"
#include "host/vst2plugin.h"
#include "host/vst3plugin.h"
#include "support/xvfb.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#if defined(KESTRUM_VST3_BUNDLE_PATH) && defined(KESTRUM_VST2_MODULE_PATH)

using namespace Steinberg;

namespace
{

constexpr int kCycles = 100;

class GuiCyclesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // No xdotool needed, but the same check keeps GUI tests alike.
        if (!KestrumTest::XvfbServer::available())
            GTEST_SKIP() << "Xvfb missing";
        xvfb = std::make_unique<KestrumTest::XvfbServer>();
        ASSERT_TRUE(xvfb->running()) << xvfb->problem();
    }

    std::unique_ptr<KestrumTest::XvfbServer> xvfb;
};

TEST_F(GuiCyclesTest, Vst3AttachAndRemove)
{
    std::string error;
    auto plugin = KestrumHost::Vst3Plugin::open(KESTRUM_VST3_BUNDLE_PATH, error);
    ASSERT_TRUE(plugin) << error;
    KestrumHost::EditorHost host;
    for (int i = 0; i < kCycles; ++i)
    {
        IPtr<IPlugView> view = owned(plugin->controller()->createView("editor"));
        ASSERT_TRUE(view);
        ASSERT_TRUE(host.attach(view, error)) << "cycle " << i << ": " << error;
        ASSERT_EQ(host.window()->childCount(true), 1) << "cycle " << i;
        host.runLoop().service(0);
        // A value pushed to the open view between cycles.
        plugin->controller()->setParamNormalized(1, (i % 3) / 2.0);
        ASSERT_TRUE(host.remove());
        ASSERT_EQ(host.runLoop().handlerCount() + host.runLoop().timerCount(), 0u) << "cycle " << i;
    }
}

TEST_F(GuiCyclesTest, Vst2OpenAndClose)
{
    std::string error;
    auto plugin = KestrumHost::Vst2Plugin::open(KESTRUM_VST2_MODULE_PATH, error);
    ASSERT_TRUE(plugin) << error;
    for (int i = 0; i < kCycles; ++i)
    {
        auto editor = KestrumHost::Vst2Editor::open(*plugin, error);
        ASSERT_TRUE(editor) << "cycle " << i << ": " << error;
        ASSERT_EQ(editor->window().childCount(true), 1) << "cycle " << i;
        editor->idle();
        plugin->setParameter(0, i % 2);
        ASSERT_EQ(plugin->dispatch(Vst2::effEditClose), 1) << "cycle " << i;
        ASSERT_EQ(editor->window().childCount(), 0) << "cycle " << i;
    }
    // Nothing is open: idle and close have nothing to act on.
    EXPECT_EQ(plugin->dispatch(Vst2::effEditIdle), 0);
    EXPECT_EQ(plugin->dispatch(Vst2::effEditClose), 0);
}

} // namespace

#endif
