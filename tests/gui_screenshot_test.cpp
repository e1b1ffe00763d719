// Pictures of the built module's editor as a VST 3 host shows it, saved to
// the build folder's screenshots/ for people to look at: normal, bypass on,
// each mode, and the splash. Each state must also look different from the
// others where it should.
#include "host/editorhost.h"
#include "host/vst3plugin.h"
#include "support/xvfb.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#if defined(KESTRUM_VST3_BUNDLE_PATH) && defined(KESTRUM_SCREENSHOT_DIR)

using namespace Steinberg;
using Pixels = std::vector<std::uint32_t>;

namespace
{

constexpr int kSettleMs = 250;
constexpr int kWidth = 270;

struct Area
{
    int left, top, right, bottom;
};
constexpr Area kKnobArea{180, 90, 220, 130};
constexpr Area kButtonArea{175, 12, 225, 41};

bool differsIn(const Pixels& a, const Pixels& b, const Area& area)
{
    for (int y = area.top; y < area.bottom; ++y)
    {
        for (int x = area.left; x < area.right; ++x)
        {
            const auto i = static_cast<std::size_t>(y * kWidth + x);
            if (a.at(i) != b.at(i))
                return true;
        }
    }
    return false;
}

class GuiScreenshotTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!KestrumTest::XvfbServer::available())
            GTEST_SKIP() << "Xvfb or xdotool missing";
        xvfb = std::make_unique<KestrumTest::XvfbServer>();
        ASSERT_TRUE(xvfb->running()) << xvfb->problem();
        std::string error;
        plugin = KestrumHost::Vst3Plugin::open(KESTRUM_VST3_BUNDLE_PATH, error);
        ASSERT_TRUE(plugin) << error;
        std::filesystem::create_directories(KESTRUM_SCREENSHOT_DIR);
    }
    void TearDown() override
    {
        host.reset();
        view = nullptr;
        plugin.reset();
        xvfb.reset();
    }

    // Sets a parameter as the host would, lets the editor redraw, and saves
    // what the window shows.
    Pixels shoot(const char* name)
    {
        host->run(kSettleMs);
        const std::string path = std::string(KESTRUM_SCREENSHOT_DIR) + "/" + name + ".png";
        EXPECT_TRUE(host->window()->saveImage(path)) << path;
        return host->window()->grab();
    }
    void set(Vst::ParamID id, double value) { plugin->controller()->setParamNormalized(id, value); }

    std::unique_ptr<KestrumTest::XvfbServer> xvfb;
    std::unique_ptr<KestrumHost::Vst3Plugin> plugin;
    IPtr<IPlugView> view;
    std::unique_ptr<KestrumHost::EditorHost> host;
};

TEST_F(GuiScreenshotTest, EditorStates)
{
    view = owned(plugin->controller()->createView("editor"));
    ASSERT_TRUE(view);
    host = std::make_unique<KestrumHost::EditorHost>();
    std::string error;
    ASSERT_TRUE(host->attach(view, error)) << error;

    const Pixels normal = shoot("editor-normal");
    ASSERT_EQ(normal.size(), 270u * 170u);

    set(0, 1.0);
    const Pixels bypass = shoot("editor-bypass-on");
    EXPECT_TRUE(differsIn(normal, bypass, kButtonArea));
    EXPECT_FALSE(differsIn(normal, bypass, kKnobArea));
    set(0, 0.0);

    set(1, 0.0);
    const Pixels superLow = shoot("editor-mode-super-low");
    set(1, 0.5);
    const Pixels bassDrop = shoot("editor-mode-bass-drop");
    set(1, 1.0);
    const Pixels guitar = shoot("editor-mode-guitar");
    EXPECT_TRUE(differsIn(superLow, bassDrop, kKnobArea));
    EXPECT_TRUE(differsIn(bassDrop, guitar, kKnobArea));
    EXPECT_TRUE(differsIn(superLow, guitar, kKnobArea));
    EXPECT_EQ(bassDrop, normal) << "a fresh editor shows bass drop";

    set(1, 0.5);
    ASSERT_TRUE(KestrumTest::xdotoolInWindow(host->window()->id(), "60 80 click 1"));
    const Pixels splash = shoot("editor-splash");
    EXPECT_TRUE(differsIn(normal, splash, Area{0, 0, 270, 170}));
    EXPECT_TRUE(differsIn(normal, splash, kKnobArea)) << "the splash covers the whole window";
}

} // namespace

#endif
