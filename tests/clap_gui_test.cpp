// Kestrum.clap's editor through the CLAP gui extension, in a bare parent
// window of the host's own under Xvfb (it never maps what is put into it),
// driven by the host's timer and file descriptor callbacks.
#include "host/clapplugin.h"
#include "host/x11window.h"
#include "support/xvfb.h"

#include "clap/ext/gui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

using KestrumHost::ClapPlugin;
using KestrumHost::X11Window;

namespace
{

constexpr char kBypassButton[] = "200 25";

class ClapGuiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!KestrumTest::XvfbServer::available())
            GTEST_SKIP() << "Xvfb or xdotool is not installed";
        xvfb = std::make_unique<KestrumTest::XvfbServer>();
        ASSERT_TRUE(xvfb->running()) << xvfb->problem();
        std::string error;
        parent = X11Window::create(320, 200, error);
        ASSERT_TRUE(parent) << error;
        plugin = ClapPlugin::open(KESTRUM_CLAP_PATH, error);
        ASSERT_TRUE(plugin) << error;
        gui = plugin->extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
        ASSERT_TRUE(gui);
    }

    void TearDown() override
    {
        plugin.reset();
        parent.reset();
        xvfb.reset();
    }

    bool open()
    {
        const clap_plugin_t* p = plugin->plugin();
        clap_window_t window{};
        window.api = CLAP_WINDOW_API_X11;
        window.x11 = parent->id();
        return gui->create(p, CLAP_WINDOW_API_X11, false) && gui->set_parent(p, &window) &&
               gui->show(p);
    }

    // The host's main loop: timers some 60 times a second.
    void run(int milliseconds)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end)
        {
            plugin->fireTimersAndFds();
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
    }

    size_t distinctEditorColours() const
    {
        const std::vector<std::uint32_t> pixels = parent->grab();
        std::vector<std::uint32_t> editor;
        for (int y = 0; y < 170 && !pixels.empty(); ++y)
            for (int x = 0; x < 270; ++x)
                editor.push_back(pixels[static_cast<size_t>(y * parent->width() + x)]);
        std::sort(editor.begin(), editor.end());
        return static_cast<size_t>(std::unique(editor.begin(), editor.end()) - editor.begin());
    }

    std::unique_ptr<KestrumTest::XvfbServer> xvfb;
    std::unique_ptr<X11Window> parent;
    std::unique_ptr<ClapPlugin> plugin;
    const clap_plugin_gui_t* gui = nullptr;
};

} // namespace

TEST_F(ClapGuiTest, OffersOnlyAnEmbeddedX11Window)
{
    const clap_plugin_t* p = plugin->plugin();
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(p, &api, &floating));
    EXPECT_STREQ(api, CLAP_WINDOW_API_X11);
    EXPECT_FALSE(floating);
    struct Case
    {
        const char* api;
        bool floating;
        bool supported;
    };
    for (const Case& c :
         {Case{CLAP_WINDOW_API_X11, false, true}, Case{CLAP_WINDOW_API_X11, true, false},
          Case{CLAP_WINDOW_API_WIN32, false, false}, Case{CLAP_WINDOW_API_WAYLAND, false, false}})
    {
        EXPECT_EQ(gui->is_api_supported(p, c.api, c.floating), c.supported) << c.api;
        EXPECT_EQ(gui->create(p, c.api, c.floating), c.supported) << c.api;
        gui->destroy(p);
    }
    EXPECT_FALSE(gui->set_parent(p, nullptr)) << "no GUI made";
    EXPECT_EQ(plugin->timerCount(), 0u);
}

TEST_F(ClapGuiTest, ShowsThePaintedEditorAndLeavesNothingBehind)
{
    for (bool fdSupport : {true, false})
    {
        plugin->offerFdSupport(fdSupport);
        ASSERT_TRUE(open());
        const clap_plugin_t* p = plugin->plugin();
        uint32_t width = 0, height = 0;
        ASSERT_TRUE(gui->get_size(p, &width, &height));
        EXPECT_EQ(width, 270u);
        EXPECT_EQ(height, 170u);
        EXPECT_FALSE(gui->can_resize(p));
        clap_gui_resize_hints_t hints{true, true, true, 1, 1};
        ASSERT_TRUE(gui->get_resize_hints(p, &hints));
        EXPECT_FALSE(hints.can_resize_horizontally || hints.can_resize_vertically);
        EXPECT_FALSE(gui->set_size(p, 400, 300));
        EXPECT_TRUE(gui->set_size(p, 270, 170));
        EXPECT_FALSE(gui->set_scale(p, 0.0));
        EXPECT_FALSE(gui->set_scale(p, -2.0));
        EXPECT_EQ(plugin->timerCount(), 1u);
        // The X connection is watched where the host can: else the timer serves it.
        EXPECT_EQ(plugin->fdCount() > 0, fdSupport);
        run(300);
        EXPECT_EQ(parent->childCount(true), 1) << "mapped in a parent that maps nothing";
        EXPECT_GT(distinctEditorColours(), 50u) << "painted";
        if (fdSupport)
        {
            std::filesystem::create_directories(KESTRUM_SCREENSHOT_DIR);
            EXPECT_TRUE(
                parent->saveImage(std::string(KESTRUM_SCREENSHOT_DIR) + "/clap-editor.png"));
        }
        gui->destroy(p);
        EXPECT_EQ(plugin->timerCount(), 0u);
        EXPECT_EQ(plugin->fdCount(), 0u);
        run(100);
        EXPECT_EQ(parent->childCount(), 0);
    }
}

// Hosts call set_scale before set_parent, and again when the window moves to
// another screen: the size follows, and an open editor asks the host for it.
TEST_F(ClapGuiTest, SetScaleSizesTheEditorBeforeAndAfterItIsShown)
{
    parent->resize(600, 400);
    const clap_plugin_t* p = plugin->plugin();
    ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_X11, false));
    ASSERT_TRUE(gui->set_scale(p, 2.0));
    uint32_t width = 0, height = 0;
    ASSERT_TRUE(gui->get_size(p, &width, &height));
    EXPECT_EQ(width, 540u);
    EXPECT_EQ(height, 340u);
    clap_window_t window{};
    window.api = CLAP_WINDOW_API_X11;
    window.x11 = parent->id();
    ASSERT_TRUE(gui->set_parent(p, &window) && gui->show(p));
    run(300);
    EXPECT_EQ(parent->childCount(true), 1);
    const int resizesBefore = plugin->requests().resize;

    ASSERT_TRUE(gui->set_scale(p, 1.5));
    ASSERT_TRUE(gui->get_size(p, &width, &height));
    EXPECT_EQ(width, 405u);
    EXPECT_EQ(height, 255u);
    EXPECT_EQ(plugin->requests().resize, resizesBefore + 1) << "an open editor asks for its size";
    gui->destroy(p);
}

TEST_F(ClapGuiTest, EditsInTheEditorReachTheHostAsOneGesture)
{
    ASSERT_TRUE(open());
    run(300);
    ASSERT_TRUE(
        KestrumTest::xdotoolInWindow(parent->id(), std::string(kBypassButton) + " click 1"));
    run(300);
    EXPECT_GT(plugin->requests().flush, 0) << "the host is asked to deliver the edit";
    plugin->flush({});
    const auto events = plugin->takeOutputEvents();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    EXPECT_EQ(events[1].type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ(events[1].id, 0u);
    EXPECT_EQ(events[1].value, 1.0);
    EXPECT_EQ(events[2].type, CLAP_EVENT_PARAM_GESTURE_END);
    EXPECT_EQ(plugin->getParameter(0), 1.0);
}
