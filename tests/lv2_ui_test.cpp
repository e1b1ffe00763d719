// The LV2 UI binary loaded with dlopen, as an LV2 host loads it, in a
// parent window of the host's own under Xvfb and driven by its idle
// interface: it must show the editor, turn a click on Bypass and a drag on
// the knob into writes to the `enabled` and `mode` ports, and follow the
// values the host sends back.
#include "host/x11window.h"
#include "support/lilvworld.h"
#include "support/xvfb.h"

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>
#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#if defined(KESTRUM_LV2_BUNDLE_PATH) && defined(KESTRUM_SCREENSHOT_DIR)

using KestrumHost::X11Window;
using KestrumTest::xdotoolInWindow;

namespace
{

constexpr std::uint32_t kEnabledPort = 4;
constexpr std::uint32_t kModePort = 5;
constexpr int kSettleMs = 300;
constexpr char kBypassButton[] = "200 25";
constexpr char kKnob[] = "200 110";

struct Write
{
    std::uint32_t port;
    float value;
};

// What the host records of the UI: port writes, gestures and size requests.
struct HostRecord
{
    std::vector<Write> writes;
    // Port and grabbed (1) or released (0), in order.
    std::vector<std::pair<std::uint32_t, int>> touches;
    int width = 0;
    int height = 0;
};

void writePort(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size,
               std::uint32_t format, const void* buffer)
{
    auto* record = static_cast<HostRecord*>(controller);
    ASSERT_EQ(format, 0u);
    ASSERT_EQ(size, sizeof(float));
    float value = 0.0f;
    std::memcpy(&value, buffer, sizeof(value));
    record->writes.push_back({port, value});
}

int resizeRequest(LV2UI_Feature_Handle handle, int width, int height)
{
    auto* record = static_cast<HostRecord*>(handle);
    record->width = width;
    record->height = height;
    return 0;
}

void touchPort(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed)
{
    static_cast<HostRecord*>(handle)->touches.emplace_back(port, grabbed ? 1 : 0);
}

// The host's URID map: each URI its index plus one.
LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri)
{
    auto* uris = static_cast<std::vector<std::string>*>(handle);
    const auto found = std::find(uris->begin(), uris->end(), uri);
    if (found != uris->end())
        return static_cast<LV2_URID>(found - uris->begin() + 1);
    uris->push_back(uri);
    return static_cast<LV2_URID>(uris->size());
}

struct LibraryCloser
{
    void operator()(void* library) const { dlclose(library); }
};

class Lv2UiTest : public ::testing::Test
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

        library.reset(dlopen(KESTRUM_LV2_BUNDLE_PATH "/kestrum_ui.so", RTLD_NOW | RTLD_LOCAL));
        ASSERT_TRUE(library) << dlerror();
        auto entry =
            reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library.get(), "lv2ui_descriptor"));
        ASSERT_TRUE(entry);
        descriptor = entry(0);
        ASSERT_TRUE(descriptor);
        EXPECT_EQ(entry(1), nullptr);
        idle = static_cast<const LV2UI_Idle_Interface*>(
            descriptor->extension_data(LV2_UI__idleInterface));
        ASSERT_TRUE(idle);
    }

    void TearDown() override
    {
        close();
        library.reset();
        parent.reset();
        xvfb.reset();
    }

    // With a scale factor, the options carry ui:scaleFactor as Ardour's do.
    bool open(float scaleFactor = 0)
    {
        LV2UI_Resize resize{&record, resizeRequest};
        const LV2_Feature parentFeature{LV2_UI__parent, parent->handle()};
        const LV2_Feature resizeFeature{LV2_UI__resize, &resize};
        const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
        const LV2_Feature touchFeature{LV2_UI__touch, &touch};
        LV2_URID_Map map{&uris, mapUri};
        const LV2_Feature mapFeature{LV2_URID__map, &map};
        const LV2_Options_Option options[] = {
            {LV2_OPTIONS_INSTANCE, 0, mapUri(&uris, LV2_UI__updateRate), sizeof(float),
             mapUri(&uris, LV2_ATOM__Float), &kUpdateRate},
            {LV2_OPTIONS_INSTANCE, 0, mapUri(&uris, LV2_UI__scaleFactor), sizeof(float),
             mapUri(&uris, LV2_ATOM__Float), &scaleFactor},
            {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
        const LV2_Feature optionsFeature{LV2_OPTIONS__options,
                                         const_cast<LV2_Options_Option*>(options)};
        const LV2_Feature* features[] = {&parentFeature, &resizeFeature, &idleFeature,
                                         &touchFeature,  &mapFeature,    &optionsFeature,
                                         nullptr};
        if (scaleFactor <= 0)
            features[4] = nullptr;
        handle =
            descriptor->instantiate(descriptor, KestrumTest::kLv2PluginUri, KESTRUM_LV2_BUNDLE_PATH,
                                    writePort, &record, &widget, features);
        if (!handle)
            return false;
        // The values a host sends right after instantiating.
        sendPort(kEnabledPort, 1.0f);
        sendPort(kModePort, 1.0f);
        run(kSettleMs);
        return true;
    }
    void close()
    {
        if (handle)
            descriptor->cleanup(handle);
        handle = nullptr;
    }
    void sendPort(std::uint32_t port, float value)
    {
        descriptor->port_event(handle, port, sizeof(value), 0, &value);
    }
    // The host's UI loop: idle calls some 60 times a second.
    void run(int milliseconds)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end)
        {
            EXPECT_EQ(idle->idle(handle), 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
    }
    void act(const std::string& actions)
    {
        ASSERT_TRUE(xdotoolInWindow(parent->id(), actions)) << actions;
        run(kSettleMs);
    }
    std::vector<float> writesTo(std::uint32_t port) const
    {
        std::vector<float> values;
        for (const Write& write : record.writes)
            if (write.port == port)
                values.push_back(write.value);
        return values;
    }
    std::vector<std::uint32_t> editorPixels() const
    {
        std::vector<std::uint32_t> pixels = parent->grab();
        std::vector<std::uint32_t> editor;
        for (int y = 0; y < 170 && !pixels.empty(); ++y)
            for (int x = 0; x < 270; ++x)
                editor.push_back(pixels[static_cast<size_t>(y * parent->width() + x)]);
        return editor;
    }

    std::unique_ptr<KestrumTest::XvfbServer> xvfb;
    std::unique_ptr<X11Window> parent;
    std::unique_ptr<void, LibraryCloser> library;
    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idle = nullptr;
    LV2UI_Handle handle = nullptr;
    LV2UI_Widget widget = nullptr;
    HostRecord record;
    LV2UI_Touch touch{&record, touchPort};
    std::vector<std::string> uris;
    static constexpr float kUpdateRate = 60;
};

size_t distinctColours(const std::vector<std::uint32_t>& pixels)
{
    std::vector<std::uint32_t> sorted = pixels;
    std::sort(sorted.begin(), sorted.end());
    return static_cast<size_t>(std::unique(sorted.begin(), sorted.end()) - sorted.begin());
}

TEST_F(Lv2UiTest, ShowsTheEditorInTheParentAndWritesPorts)
{
    ASSERT_TRUE(open());
    EXPECT_NE(widget, nullptr);
    EXPECT_EQ(record.width, 270);
    EXPECT_EQ(record.height, 170);
    EXPECT_EQ(parent->childCount(true), 1);

    // Painted: the background picture, not an empty window.
    const std::vector<std::uint32_t> shown = editorPixels();
    ASSERT_EQ(shown.size(), 270u * 170u);
    EXPECT_GT(distinctColours(shown), 50u);
    std::filesystem::create_directories(KESTRUM_SCREENSHOT_DIR);
    EXPECT_TRUE(parent->saveImage(std::string(KESTRUM_SCREENSHOT_DIR) + "/lv2-editor.png"));
    EXPECT_TRUE(record.writes.empty());

    act(std::string(kBypassButton) + " click 1");
    EXPECT_EQ(writesTo(kEnabledPort), std::vector<float>{0.0f});
    // The click is one gesture around the write, as automation needs it.
    using Touches = std::vector<std::pair<std::uint32_t, int>>;
    EXPECT_EQ(record.touches, (Touches{{kEnabledPort, 1}, {kEnabledPort, 0}}));
    act(std::string(kBypassButton) + " click 1");
    EXPECT_EQ(writesTo(kEnabledPort), (std::vector<float>{0.0f, 1.0f}));

    // A vertical drag: LV2 hosts set no knob mode.
    act(std::string(kKnob) + " mousedown 1 mousemove --window " + std::to_string(parent->id()) +
        " 200 50 mouseup 1");
    const std::vector<float> modes = writesTo(kModePort);
    ASSERT_FALSE(modes.empty());
    for (const float mode : modes)
        EXPECT_TRUE(mode == 0.0f || mode == 1.0f || mode == 2.0f) << mode;
    EXPECT_EQ(modes.back(), 2.0f);
    ASSERT_GE(record.touches.size(), 6u);
    EXPECT_EQ(record.touches.back(), std::make_pair(kModePort, 0));
}

// Straight up and down from "bass drop", one gesture each.
TEST_F(Lv2UiTest, AVerticalDragTurnsTheKnob)
{
    ASSERT_TRUE(open());
    const struct
    {
        int dy;
        float mode;
    } drags[] = {{-60, 2.0f}, {60, 0.0f}, {-15, 1.0f}};
    for (const auto& drag : drags)
    {
        SCOPED_TRACE(drag.dy);
        sendPort(kModePort, 1.0f);
        run(kSettleMs);
        record.writes.clear();
        record.touches.clear();
        act(std::string(kKnob) + " mousedown 1 mousemove --window " + std::to_string(parent->id()) +
            " 200 " + std::to_string(110 + drag.dy) + " mouseup 1");
        const std::vector<float> modes = writesTo(kModePort);
        EXPECT_EQ(modes.empty() ? 1.0f : modes.back(), drag.mode);
        using Touches = std::vector<std::pair<std::uint32_t, int>>;
        EXPECT_EQ(record.touches, (Touches{{kModePort, 1}, {kModePort, 0}}));
    }
}

TEST_F(Lv2UiTest, FollowsPortEventsAndLeavesNothingBehind)
{
    ASSERT_TRUE(open());
    const std::vector<std::uint32_t> bassDrop = editorPixels();
    sendPort(kModePort, 2.0f);
    sendPort(kEnabledPort, 0.0f);
    run(kSettleMs);
    const std::vector<std::uint32_t> guitarBypassed = editorPixels();
    EXPECT_NE(bassDrop, guitarBypassed);
    // Values that mean nothing, and ports that are no controls, are ignored.
    sendPort(kModePort, std::numeric_limits<float>::quiet_NaN());
    sendPort(0, 0.5f);
    descriptor->port_event(handle, kModePort, 2, 0, "x");
    sendPort(99, 1.0f);
    run(kSettleMs);
    EXPECT_EQ(editorPixels(), guitarBypassed);
    sendPort(kModePort, 1.0f);
    sendPort(kEnabledPort, 1.0f);
    run(kSettleMs);
    EXPECT_EQ(editorPixels(), bassDrop);
    // Only the user's gestures write ports.
    EXPECT_TRUE(record.writes.empty());

    close();
    EXPECT_EQ(parent->childCount(), 0);
}

// The widget is the editor's own window, a child of ui:parent; a host that
// fits it to its own window (as suil's wrappers do) gets it drawn whole.
TEST_F(Lv2UiTest, TheWidgetIsTheEditorsWindowAndFollowsTheHostsSize)
{
    ASSERT_TRUE(open());
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    const auto window = static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(widget));
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->parent, parent->id());
    std::free(tree);

    const auto margin = [this]
    {
        std::vector<std::uint32_t> pixels = parent->grab();
        std::vector<std::uint32_t> column;
        for (int y = 0; y < parent->height() && !pixels.empty(); ++y)
            column.push_back(pixels[static_cast<size_t>(y * parent->width() + 300)]);
        return column;
    };
    const std::vector<std::uint32_t> before = margin();
    const std::uint32_t size[] = {static_cast<std::uint32_t>(parent->width()),
                                  static_cast<std::uint32_t>(parent->height())};
    xcb_configure_window(c, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    xcb_flush(c);
    run(kSettleMs);
    EXPECT_NE(margin(), before);
    std::filesystem::create_directories(KESTRUM_SCREENSHOT_DIR);
    EXPECT_TRUE(parent->saveImage(std::string(KESTRUM_SCREENSHOT_DIR) + "/lv2-editor-wide.png"));
    xcb_disconnect(c);
}

// Ardour's "GUI and font scaling" at 200 % reaches the UI as ui:scaleFactor 2.
TEST_F(Lv2UiTest, ScaleFactorTwoRequestsAndDraws540By340)
{
    std::string error;
    parent = X11Window::create(540, 340, error);
    ASSERT_TRUE(parent) << error;
    ASSERT_TRUE(open(2.0f));
    EXPECT_EQ(record.width, 540);
    EXPECT_EQ(record.height, 340);
    const std::vector<std::uint32_t> pixels = parent->grab();
    ASSERT_EQ(pixels.size(), 540u * 340u);
    EXPECT_GT(distinctColours(pixels), 300u);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0u), 0) << "bare parent pixels";
    std::filesystem::create_directories(KESTRUM_SCREENSHOT_DIR);
    EXPECT_TRUE(parent->saveImage(std::string(KESTRUM_SCREENSHOT_DIR) + "/lv2-editor-2x.png"));
    // Bypass at twice its place is still Bypass.
    act("400 50 click 1");
    EXPECT_EQ(writesTo(kEnabledPort), std::vector<float>{0.0f});
}

TEST_F(Lv2UiTest, RefusesToOpenWithoutAParentOrForAnotherPlugin)
{
    const LV2_Feature* none[] = {nullptr};
    EXPECT_EQ(descriptor->instantiate(descriptor, KestrumTest::kLv2PluginUri,
                                      KESTRUM_LV2_BUNDLE_PATH, writePort, &record, &widget, none),
              nullptr);
    const LV2_Feature parentFeature{LV2_UI__parent, parent->handle()};
    const LV2_Feature* features[] = {&parentFeature, nullptr};
    EXPECT_EQ(descriptor->instantiate(descriptor, "urn:other", KESTRUM_LV2_BUNDLE_PATH, writePort,
                                      &record, &widget, features),
              nullptr);
    EXPECT_EQ(parent->childCount(), 0);
}

} // namespace

#endif
