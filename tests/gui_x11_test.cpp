// The editor in a real X window under Xvfb, driven only by the host's run
// loop: clicks and drags sent with xdotool become edits on the controller.
#include "support/editorfixture.h"
#include "support/testplugframe.h"
#include "support/xvfb.h"

#include "gui/canimknob.h"
#include "gui/cframe.h"

#include <algorithm>
#include <cairo.h>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>
#include <xcb/xcb.h>

using namespace Steinberg;
using Calls = std::vector<std::string>;

namespace
{

struct Free
{
    void operator()(void* p) const { std::free(p); }
};

class X11EditorTest : public KestrumTest::EditorTest
{
protected:
    void SetUp() override
    {
        if (!KestrumTest::XvfbServer::available())
            GTEST_SKIP() << "Xvfb or xdotool missing";
        KestrumTest::EditorTest::SetUp();
        xvfb = std::make_unique<KestrumTest::XvfbServer>();
        ASSERT_TRUE(xvfb->running()) << xvfb->problem();
        connection = xcb_connect(nullptr, nullptr);
        ASSERT_FALSE(xcb_connection_has_error(connection));
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        parent = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, parent, screen->root, 0, 0, 270, 170, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(connection, parent);
        xcb_flush(connection);
        view->setFrame(&frame);
    }
    void TearDown() override
    {
        if (view)
            view->setFrame(nullptr);
        KestrumTest::EditorTest::TearDown();
        if (connection)
            xcb_disconnect(connection);
        xvfb.reset();
    }

    void attach()
    {
        ASSERT_EQ(view->attached(reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent)),
                                 kPlatformTypeX11EmbedWindowID),
                  kResultOk);
        // A bare parent: nobody maps the editor's window but the editor.
        frame.pump(300);
    }

    void xdotool(const std::string& actions)
    {
        ASSERT_TRUE(KestrumTest::xdotoolInWindow(parent, actions)) << actions;
        frame.pump(300);
    }

    // What the parent window shows, one 0x00RRGGBB word per pixel; empty
    // when it cannot be read.
    std::vector<std::uint32_t> grab(int width = 270, int height = 170)
    {
        std::unique_ptr<xcb_get_image_reply_t, Free> image(
            xcb_get_image_reply(connection,
                                xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, parent, 0, 0,
                                              static_cast<std::uint16_t>(width),
                                              static_cast<std::uint16_t>(height), ~0u),
                                nullptr));
        if (!image || image->depth != 24 ||
            xcb_get_image_data_length(image.get()) < width * height * 4)
            return {};
        const auto* words = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(image.get()));
        std::vector<std::uint32_t> pixels(words, words + width * height);
        for (auto& p : pixels)
            p &= 0xFFFFFF;
        return pixels;
    }

    // What the window shows, saved for a look; false when it cannot be read.
    bool saveScreenshot(const char* file, int width = 270, int height = 170)
    {
        std::vector<std::uint32_t> pixels = grab(width, height);
        if (pixels.empty())
            return false;
        cairo_surface_t* s =
            cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                CAIRO_FORMAT_RGB24, width, height, width * 4);
        std::filesystem::create_directories("screenshots");
        const bool ok =
            cairo_surface_write_to_png(s, (std::string("screenshots/") + file).c_str()) ==
            CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy(s);
        return ok;
    }

    // The editor's window: the parent's only child, or none.
    xcb_window_t child()
    {
        std::unique_ptr<xcb_query_tree_reply_t, Free> tree(
            xcb_query_tree_reply(connection, xcb_query_tree(connection, parent), nullptr));
        if (!tree || xcb_query_tree_children_length(tree.get()) != 1)
            return XCB_NONE;
        return xcb_query_tree_children(tree.get())[0];
    }

    std::pair<int, int> geometry(xcb_window_t window)
    {
        std::unique_ptr<xcb_get_geometry_reply_t, Free> reply(
            xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
        return reply ? std::make_pair(int{reply->width}, int{reply->height}) : std::make_pair(0, 0);
    }

    std::uint8_t mapState(xcb_window_t window)
    {
        std::unique_ptr<xcb_get_window_attributes_reply_t, Free> attributes(
            xcb_get_window_attributes_reply(
                connection, xcb_get_window_attributes(connection, window), nullptr));
        return attributes ? attributes->map_state : 0xFF;
    }

    std::unique_ptr<KestrumTest::XvfbServer> xvfb;
    xcb_connection_t* connection = nullptr;
    xcb_window_t parent = 0;
    KestrumTest::TestPlugFrame frame;
};

size_t distinctColours(const std::vector<std::uint32_t>& pixels)
{
    return std::set<std::uint32_t>(pixels.begin(), pixels.end()).size();
}

TEST_F(X11EditorTest, ShowsItselfInABareParentEveryTimeItIsAttached)
{
    for (int round = 0; round < 2; ++round)
    {
        SCOPED_TRACE(round == 0 ? "first attach" : "attached again after removed");
        ASSERT_EQ(view->attached(reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent)),
                                 kPlatformTypeX11EmbedWindowID),
                  kResultOk);
        ASSERT_TRUE(view->getFrame()->hasWindow());
        EXPECT_EQ(frame.runLoop().handlerCount(), 1u);
        EXPECT_EQ(frame.runLoop().timerCount(), 1u);
        frame.pump(200);

        const xcb_window_t editor = child();
        ASSERT_NE(editor, static_cast<xcb_window_t>(XCB_NONE));
        EXPECT_EQ(mapState(editor), XCB_MAP_STATE_VIEWABLE) << "nobody but the editor mapped it";
        // The editor's pictures, not a flat window colour.
        EXPECT_GT(distinctColours(grab()), 100u);

        // XEmbed embedders read version 0 and the mapped flag.
        std::unique_ptr<xcb_intern_atom_reply_t, Free> atom(xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 1, 12, "_XEMBED_INFO"), nullptr));
        ASSERT_TRUE(atom);
        std::unique_ptr<xcb_get_property_reply_t, Free> info(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, editor, atom->atom, atom->atom, 0, 2),
            nullptr));
        ASSERT_TRUE(info);
        ASSERT_EQ(xcb_get_property_value_length(info.get()), 8);
        const auto* words = static_cast<const std::uint32_t*>(xcb_get_property_value(info.get()));
        EXPECT_EQ(words[0], 0u);
        EXPECT_EQ(words[1], 1u);

        EXPECT_EQ(view->removed(), kResultOk);
        EXPECT_EQ(frame.runLoop().handlerCount(), 0u);
        EXPECT_EQ(frame.runLoop().timerCount(), 0u);
        EXPECT_EQ(child(), static_cast<xcb_window_t>(XCB_NONE)) << "the window is gone";
    }
}

TEST_F(X11EditorTest, AWindowEnlargedByTheEmbedderContinuesTheBackground)
{
    // An embedder that fits the editor to its own size: Ardour widens it to
    // its toolbar; here it grows in both directions.
    constexpr int kWide = 392;
    constexpr int kTall = 200;
    const std::uint32_t larger[] = {kWide, kTall};
    xcb_configure_window(connection, parent, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         larger);
    attach();
    const xcb_window_t editor = child();
    ASSERT_NE(editor, static_cast<xcb_window_t>(XCB_NONE));
    xcb_configure_window(connection, editor, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         larger);
    xcb_flush(connection);
    frame.pump(300);

    const std::vector<std::uint32_t> pixels = grab(kWide, kTall);
    ASSERT_EQ(pixels.size(), static_cast<size_t>(kWide * kTall));
    EXPECT_TRUE(saveScreenshot("x11-enlarged.png", kWide, kTall));
    const auto at = [&pixels](int x, int y) { return pixels[static_cast<size_t>(y * kWide + x)]; };
    // Right of the editor each row repeats its last column, below it each
    // column its last row, and the corner is the picture's corner pixel.
    for (int y = 0; y < 170; ++y)
        for (int x : {270, 330, kWide - 1})
            ASSERT_EQ(at(x, y), at(269, y)) << "x " << x << " y " << y;
    for (int y : {170, 185, kTall - 1})
    {
        for (int x : {0, 100, 269})
            ASSERT_EQ(at(x, y), at(x, 169)) << "x " << x << " y " << y;
        for (int x : {270, kWide - 1})
            ASSERT_EQ(at(x, y), at(269, 169)) << "x " << x << " y " << y;
    }
    EXPECT_GT(distinctColours(pixels), 100u) << "the editor itself is still drawn";
}

TEST_F(X11EditorTest, ClicksAndDragsBecomeEdits)
{
    controller->setParamNormalized(Kestrum::kModeId, 0.9);
    controller->setKnobMode(Vst::kCircularMode);
    controller->calls.clear();
    attach();

    EXPECT_TRUE(saveScreenshot("x11-normal.png"));
    xdotool("200 25 click 1");
    EXPECT_EQ(controller->calls, (Calls{"begin 0", "set 0 1", "perform 0 1", "end 0"}));
    EXPECT_TRUE(saveScreenshot("x11-bypass-on.png"));

    controller->calls.clear();
    xdotool("200 110 keydown ctrl click 1 keyup ctrl");
    EXPECT_EQ(controller->calls, (Calls{"begin 1", "set 1 0.5", "perform 1 0.5", "end 1"}));

    controller->calls.clear();
    xdotool("200 110 mousedown 1 mousemove --window " + std::to_string(parent) +
            " 230 110 mouseup 1");
    ASSERT_GE(controller->calls.size(), 4u);
    EXPECT_EQ(controller->calls.front(), "begin 1");
    EXPECT_EQ(controller->calls.back(), "end 1");
    EXPECT_NEAR(controller->getParamNormalized(Kestrum::kModeId), 5.0 / 6.0, 1e-6);

    // The product panel opens the splash and makes no edit; a click closes it.
    controller->calls.clear();
    xdotool("60 80 click 1");
    EXPECT_NE(view->getFrame()->getModalView(), nullptr);
    EXPECT_TRUE(saveScreenshot("x11-splash.png"));
    xdotool("60 80 click 1");
    EXPECT_EQ(view->getFrame()->getModalView(), nullptr);
    EXPECT_TRUE(controller->calls.empty());

    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(frame.runLoop().handlerCount(), 0u);
    EXPECT_EQ(frame.runLoop().timerCount(), 0u);
}

// A host that says its content scale, before or after attaching, in a bare
// parent: the window is the scaled size, drawn whole, and the host is asked
// for that size when the view is already attached.
TEST_F(X11EditorTest, ContentScaleTwoGivesA540By340WindowBeforeOrAfterAttached)
{
    const std::uint32_t large[] = {540, 340};
    xcb_configure_window(connection, parent, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         large);
    xcb_flush(connection);
    for (const bool before : {true, false})
    {
        SCOPED_TRACE(before ? "scale before attached" : "scale after attached");
        view = owned(new Kestrum::KestrumEditorView(controller.get()));
        view->setFrame(&frame);
        if (before)
        {
            ASSERT_EQ(view->setContentScaleFactor(2.0f), kResultTrue);
        }
        attach();
        const int resizesAtAttach = frame.resizeCalls;
        if (!before)
        {
            EXPECT_EQ(geometry(child()), std::make_pair(270, 170));
            ASSERT_EQ(view->setContentScaleFactor(2.0f), kResultTrue);
            frame.pump(300);
            EXPECT_EQ(frame.resizeCalls, resizesAtAttach + 1);
        }
        EXPECT_EQ(frame.lastSize.getWidth(), 540);
        EXPECT_EQ(frame.lastSize.getHeight(), 340);
        EXPECT_EQ(geometry(child()), std::make_pair(540, 340));
        EXPECT_EQ(mapState(child()), XCB_MAP_STATE_VIEWABLE);
        const std::vector<std::uint32_t> pixels = grab(540, 340);
        ASSERT_EQ(pixels.size(), 540u * 340u);
        EXPECT_GT(distinctColours(pixels), 300u);
        // The bare parent is black; the editor has no black pixel.
        EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0u), 0);
        EXPECT_TRUE(saveScreenshot(before ? "x11-scale-2.png" : "x11-scale-2-after.png", 540, 340));
        EXPECT_EQ(view->removed(), kResultOk);
        view->setFrame(nullptr);
    }
}

// The same gestures at twice the size are the same edits: the controls see
// logical positions, whatever the scale and the knob's mode.
TEST_F(X11EditorTest, ClicksAndDragsAtTwoMakeTheSameEditsAsAtOne)
{
    const std::uint32_t large[] = {540, 340};
    xcb_configure_window(connection, parent, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         large);
    xcb_flush(connection);
    const auto at = [](int scale, int x, int y)
    { return std::to_string(x * scale) + " " + std::to_string(y * scale); };
    for (const Vst::KnobMode mode : {Vst::kCircularMode, Vst::kLinearMode})
    {
        SCOPED_TRACE(mode);
        std::vector<Calls> edits;
        for (const int scale : {1, 2})
        {
            controller->setParamNormalized(Kestrum::kModeId, 0.5);
            controller->setParamNormalized(Kestrum::kBypassId, 0);
            controller->setKnobMode(mode);
            view = owned(new Kestrum::KestrumEditorView(controller.get()));
            view->setFrame(&frame);
            ASSERT_EQ(view->setContentScaleFactor(static_cast<float>(scale)), kResultTrue);
            attach();
            controller->calls.clear();
            xdotool(at(scale, 200, 25) + " click 1");
            xdotool(at(scale, 200, 110) + " mousedown 1 mousemove --window " +
                    std::to_string(parent) + " " + at(scale, 214, 86) + " mouseup 1");
            xdotool(at(scale, 60, 80) + " click 1");
            EXPECT_NE(view->getFrame()->getModalView(), nullptr) << "the splash is open";
            edits.push_back(controller->calls);
            EXPECT_EQ(view->removed(), kResultOk);
            view->setFrame(nullptr);
        }
        ASSERT_GE(edits[0].size(), 8u) << "a click on Bypass and a drag on the knob";
        EXPECT_EQ(edits[0].front(), "begin 0");
        EXPECT_EQ(edits[0].back(), "end 1");
        EXPECT_EQ(edits[1], edits[0]);
    }
}

TEST_F(X11EditorTest, RepeatedAttachAndRemove)
{
    for (int i = 0; i < 20; ++i)
    {
        ASSERT_EQ(view->attached(reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent)),
                                 kPlatformTypeX11EmbedWindowID),
                  kResultOk);
        EXPECT_EQ(view->attached(reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent)),
                                 kPlatformTypeX11EmbedWindowID),
                  kResultFalse)
            << "already attached";
        frame.pump(10);
        ASSERT_EQ(view->removed(), kResultOk);
        EXPECT_EQ(frame.runLoop().handlerCount() + frame.runLoop().timerCount(), 0u);
    }
}

TEST_F(X11EditorTest, BadParentWindowLeavesNoWindow)
{
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(std::uintptr_t{0x7fffff0}),
                             kPlatformTypeX11EmbedWindowID),
              kResultOk);
    EXPECT_FALSE(view->getFrame()->hasWindow());
    EXPECT_EQ(frame.runLoop().handlerCount(), 0u);
    EXPECT_EQ(view->removed(), kResultOk);
}

} // namespace
