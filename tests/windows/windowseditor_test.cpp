// The editor in a real HWND under Wine (with an X server): a top-level
// window of this test plays the host's. The child window's pixels are read
// back (PrintWindow and the screen) and compared with the pictures; mouse
// messages click and drag the controls, whose edits must reach the host's
// component handler. The VST 2 editor opcodes do the same with the HWND a
// VST 2 host hands over.
#include "host/vst2plugin.h"
#include "host/vst3plugin.h"
#include "vst2/vst2abi.h"

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <windows.h>
// after windows.h, which it builds on
#include <gdiplus.h>

#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace Steinberg;
using KestrumHost::ComponentHandler;
using Steinberg::Vst::ParamValue;

namespace
{

constexpr int kWidth = 270;
constexpr int kHeight = 170;
const POINT kBypassButton = {200, 25};
const POINT kKnob = {200, 110};
const POINT kProductPanel = {60, 80};
const RECT kBypassArea = {175, 12, 225, 41};
const RECT kKnobArea = {180, 90, 220, 130};

// Lets the windows handle what was sent and the editor's timer run.
void pump(int milliseconds)
{
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    MSG msg;
    do
    {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

// 0x00RRGGBB per pixel, rows top down.
struct Picture
{
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const
    {
        return pixels[static_cast<size_t>(y * width + x)] & 0xffffffu;
    }
};

struct Gdiplus
{
    Gdiplus() { ::Gdiplus::GdiplusStartup(&token, &input, nullptr); }
    ~Gdiplus() { ::Gdiplus::GdiplusShutdown(token); }
    ULONG_PTR token = 0;
    ::Gdiplus::GdiplusStartupInput input;
};

std::wstring wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

Picture loadPng(const std::string& path)
{
    Picture p;
    ::Gdiplus::Bitmap bitmap(wide(path).c_str());
    if (bitmap.GetLastStatus() != ::Gdiplus::Ok)
        return p;
    p.width = static_cast<int>(bitmap.GetWidth());
    p.height = static_cast<int>(bitmap.GetHeight());
    for (int y = 0; y < p.height; ++y)
    {
        for (int x = 0; x < p.width; ++x)
        {
            ::Gdiplus::Color c;
            bitmap.GetPixel(x, y, &c);
            p.pixels.push_back(c.GetValue() & 0xffffffu);
        }
    }
    return p;
}

// The window's client area, drawn by PrintWindow (the window draws itself
// into our DC) or copied from the screen.
Picture capture(HWND window, bool fromScreen)
{
    Picture p;
    RECT client;
    GetClientRect(window, &client);
    p.width = client.right;
    p.height = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = p.width;
    info.bmiHeader.biHeight = -p.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC windowDc = GetDC(window);
    HDC memory = CreateCompatibleDC(windowDc);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    if (fromScreen)
        BitBlt(memory, 0, 0, p.width, p.height, windowDc, 0, 0, SRCCOPY);
    else
        PrintWindow(window, memory, PW_CLIENTONLY);
    GdiFlush();
    const auto* words = static_cast<const std::uint32_t*>(bits);
    p.pixels.assign(words, words + p.width * p.height);
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(window, windowDc);
    return p;
}

bool savePng(const Picture& p, const std::string& path)
{
    ::Gdiplus::Bitmap bitmap(p.width, p.height, PixelFormat32bppRGB);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            bitmap.SetPixel(x, y, ::Gdiplus::Color(0xff000000u | p.at(x, y)));
    CLSID png;
    CLSIDFromString(L"{557CF406-1A04-11D3-9A73-0000F81EF32E}", &png);
    return bitmap.Save(wide(path).c_str(), &png, nullptr) == ::Gdiplus::Ok;
}

bool inside(const RECT& r, int x, int y)
{
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The share of pixels outside `skip` that equal the picture's.
double matchOutside(const Picture& shown, const Picture& expected, const std::vector<RECT>& skip)
{
    int same = 0, total = 0;
    for (int y = 0; y < expected.height && y < shown.height; ++y)
    {
        for (int x = 0; x < expected.width && x < shown.width; ++x)
        {
            bool skipped = false;
            for (const RECT& r : skip)
                skipped = skipped || inside(r, x, y);
            if (skipped)
                continue;
            ++total;
            same += shown.at(x, y) == expected.at(x, y) ? 1 : 0;
        }
    }
    return total ? static_cast<double>(same) / total : 0.0;
}

bool regionDiffers(const Picture& a, const Picture& b, const RECT& r)
{
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (a.at(x, y) != b.at(x, y))
                return true;
    return false;
}

LPARAM at(POINT p)
{
    return MAKELPARAM(p.x, p.y);
}

void click(HWND window, POINT where, WPARAM keys = 0)
{
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON | keys, at(where));
    PostMessageW(window, WM_LBUTTONUP, keys, at(where));
    pump(150);
}

void drag(HWND window, POINT from, POINT to)
{
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at(from));
    PostMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, at(to));
    PostMessageW(window, WM_LBUTTONUP, 0, at(to));
    pump(150);
}

std::vector<ParamValue> performed(const ComponentHandler& handler, Vst::ParamID id)
{
    std::vector<ParamValue> values;
    for (const auto& call : handler.calls())
        if (call.type == ComponentHandler::CallType::performEdit && call.id == id)
            values.push_back(call.value);
    return values;
}

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

// The host's top-level window.
struct HostWindow
{
    HostWindow()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = hostWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KestrumTestHost";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        RegisterClassW(&wc);
        window = CreateWindowExW(0, L"KestrumTestHost", L"Kestrum host",
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 300, nullptr,
                                 nullptr, wc.hInstance, nullptr);
        pump(100);
    }
    ~HostWindow() { DestroyWindow(window); }
    HWND child() const { return FindWindowExW(window, nullptr, nullptr, nullptr); }
    HWND window;
};

std::string screenshotPath(const char* name)
{
    return std::string(KESTRUM_SCREENSHOT_DIR) + "/" + name;
}

class WindowsEditor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        plugin = KestrumHost::Vst3Plugin::open(KESTRUM_VST3_BUNDLE_PATH, error);
        ASSERT_TRUE(plugin) << error;
        ASSERT_TRUE(plugin->start(44100.0, 512, 2));
        FUnknownPtr<Vst::IEditController2> controller2(plugin->controller());
        ASSERT_TRUE(controller2);
        controller2->setKnobMode(Vst::kCircularMode);
        background = loadPng(KESTRUM_PICTURE_DIR "/BACKGROUND11.PNG");
        splash = loadPng(KESTRUM_PICTURE_DIR "/SPLASH.PNG");
        ASSERT_EQ(background.width, kWidth);
        ASSERT_EQ(splash.width, kWidth);
        CreateDirectoryA(KESTRUM_SCREENSHOT_DIR, nullptr);
    }

    void openView()
    {
        view = owned(plugin->controller()->createView("editor"));
        ASSERT_TRUE(view);
        ASSERT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultTrue);
        EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultFalse);
        ASSERT_EQ(view->attached(host.window, kPlatformTypeHWND), kResultOk);
        pump(200);
    }

    Gdiplus gdiplus;
    std::unique_ptr<KestrumHost::Vst3Plugin> plugin;
    IPtr<IPlugView> view;
    HostWindow host;
    Picture background, splash;
};

} // namespace

TEST_F(WindowsEditor, ChildWindowShowsTheBackgroundPicture)
{
    openView();
    HWND child = host.child();
    ASSERT_TRUE(child);
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_EQ(GetWindowLongPtrW(child, GWL_STYLE) & WS_CHILD, WS_CHILD);
    RECT client;
    GetClientRect(child, &client);
    EXPECT_EQ(client.right, kWidth);
    EXPECT_EQ(client.bottom, kHeight);

    const Picture printed = capture(child, false);
    const Picture onScreen = capture(child, true);
    EXPECT_TRUE(savePng(printed, screenshotPath("windows-editor.png")));
    EXPECT_TRUE(savePng(onScreen, screenshotPath("windows-editor-screen.png")));
    // Everything but the controls is the background picture, pixel for pixel.
    EXPECT_GT(matchOutside(printed, background, {kBypassArea, kKnobArea}), 0.99);
    EXPECT_GT(matchOutside(onScreen, background, {kBypassArea, kKnobArea}), 0.99);
    // The controls draw their own pictures over it.
    EXPECT_TRUE(regionDiffers(printed, background, kKnobArea));
    EXPECT_EQ(view->removed(), kResultOk);
}

TEST_F(WindowsEditor, BypassClickKnobDragAndControlClickReachTheHost)
{
    openView();
    HWND child = host.child();
    ASSERT_TRUE(child);
    const Picture before = capture(child, false);

    click(child, kBypassButton);
    EXPECT_EQ(performed(plugin->handler(), 0), std::vector<ParamValue>{1.0});
    const Picture bypassed = capture(child, false);
    EXPECT_TRUE(regionDiffers(before, bypassed, kBypassArea));
    EXPECT_TRUE(savePng(bypassed, screenshotPath("windows-editor-bypassed.png")));

    drag(child, kKnob, POINT{230, 110});
    const std::vector<ParamValue> dragged = performed(plugin->handler(), 1);
    ASSERT_FALSE(dragged.empty());
    EXPECT_NE(dragged.back(), 0.5);
    EXPECT_EQ(plugin->controller()->getParamNormalized(1), dragged.back());
    EXPECT_TRUE(regionDiffers(bypassed, capture(child, false), kKnobArea));

    plugin->handler().clearCalls();
    click(child, kKnob, MK_CONTROL);
    EXPECT_EQ(performed(plugin->handler(), 1), std::vector<ParamValue>{0.5});

    // The wheel turns the knob too (positions in screen coordinates).
    plugin->handler().clearCalls();
    POINT screen = kKnob;
    ClientToScreen(child, &screen);
    PostMessageW(child, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    pump(150);
    EXPECT_FALSE(performed(plugin->handler(), 1).empty());
    EXPECT_EQ(view->removed(), kResultOk);
}

TEST_F(WindowsEditor, SplashOpensAndCloses)
{
    openView();
    HWND child = host.child();
    ASSERT_TRUE(child);
    click(child, kProductPanel);
    const Picture opened = capture(child, false);
    EXPECT_TRUE(savePng(opened, screenshotPath("windows-editor-splash.png")));
    EXPECT_GT(matchOutside(opened, splash, {}), 0.99);
    click(child, kProductPanel);
    EXPECT_GT(matchOutside(capture(child, false), background, {kBypassArea, kKnobArea}), 0.99);
    EXPECT_EQ(view->removed(), kResultOk);
}

TEST_F(WindowsEditor, AttachRemoveAttach)
{
    openView();
    ASSERT_TRUE(host.child());
    ASSERT_EQ(view->removed(), kResultOk);
    pump(50);
    EXPECT_FALSE(host.child());
    ASSERT_EQ(view->attached(host.window, kPlatformTypeHWND), kResultOk);
    pump(200);
    HWND child = host.child();
    ASSERT_TRUE(child);
    EXPECT_GT(matchOutside(capture(child, false), background, {kBypassArea, kKnobArea}), 0.99);
    EXPECT_EQ(view->removed(), kResultOk);
    view = nullptr;
    // A view released without removed() must take its window along.
    view = owned(plugin->controller()->createView("editor"));
    ASSERT_TRUE(view);
    ASSERT_EQ(view->attached(host.window, kPlatformTypeHWND), kResultOk);
    pump(50);
    view = nullptr;
    pump(50);
    EXPECT_FALSE(host.child());
}

TEST_F(WindowsEditor, Vst2EditorOpcodesWithTheHostsWindow)
{
    std::string error;
    auto vst2 = KestrumHost::Vst2Plugin::open(KESTRUM_VST2_MODULE_PATH, error);
    ASSERT_TRUE(vst2) << error;
    ASSERT_TRUE(vst2->effect()->flags & Vst2::effFlagsHasEditor);
    vst_rect* rect = nullptr;
    ASSERT_EQ(vst2->dispatch(Vst2::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->right - rect->left, kWidth);
    EXPECT_EQ(rect->bottom - rect->top, kHeight);
    for (int round = 0; round < 2; ++round)
    {
        ASSERT_EQ(vst2->dispatch(Vst2::effEditOpen, 0, 0, host.window), 1);
        for (int i = 0; i < 5; ++i)
        {
            vst2->dispatch(Vst2::effEditIdle);
            pump(20);
        }
        HWND child = host.child();
        ASSERT_TRUE(child);
        EXPECT_GT(matchOutside(capture(child, false), background, {kBypassArea, kKnobArea}), 0.99);
        click(child, kBypassButton);
        EXPECT_EQ(vst2->dispatch(Vst2::effEditClose), 1);
        pump(50);
        EXPECT_FALSE(host.child());
    }
    // Two clicks on Bypass through the VST 2 host: on, then off again.
    EXPECT_EQ(vst2->getParameter(0), 0.0);
}

namespace
{

// This program is the host: like a per-monitor DPI-aware host it makes its
// own process aware, before its first window. (The plug-in never does.)
struct PerMonitorDpiAwareHost
{
    PerMonitorDpiAwareHost()
    {
        using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
        auto set = reinterpret_cast<SetContext>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
        if (set)
            set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    }
};

// Run alone in a Wine prefix whose LogPixels is 192 (windows.editor.hidpi).
class WindowsEditorHiDpi : private PerMonitorDpiAwareHost, public WindowsEditor
{
protected:
    void SetUp() override
    {
        WindowsEditor::SetUp();
        ASSERT_EQ(GetDpiForWindow(host.window), 192u) << "not a 192 DPI prefix";
        SetWindowPos(host.window, nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER);
        background2x = loadPng(KESTRUM_PICTURE_DIR "/2x/BACKGROUND11.PNG");
        ASSERT_EQ(background2x.width, 2 * kWidth);
    }
    ViewRect viewSize()
    {
        ViewRect size;
        EXPECT_EQ(view->getSize(&size), kResultOk);
        return size;
    }
    // The child window at 540 x 340, showing the 2x background.
    void expectTwiceTheSizeAndPainted(const char* screenshot)
    {
        HWND child = host.child();
        ASSERT_TRUE(child);
        RECT client;
        GetClientRect(child, &client);
        EXPECT_EQ(client.right, 2 * kWidth);
        EXPECT_EQ(client.bottom, 2 * kHeight);
        EXPECT_EQ(viewSize().getWidth(), 2 * kWidth);
        EXPECT_EQ(viewSize().getHeight(), 2 * kHeight);
        const Picture printed = capture(child, false);
        EXPECT_TRUE(savePng(printed, screenshotPath(screenshot)));
        const RECT bypass2x = {350, 24, 450, 82};
        const RECT knob2x = {360, 180, 440, 260};
        EXPECT_GT(matchOutside(printed, background2x, {bypass2x, knob2x}), 0.95);
        EXPECT_TRUE(regionDiffers(printed, background2x, knob2x));
    }
    Picture background2x;
};

} // namespace

TEST_F(WindowsEditorHiDpi, TheEditorTakesItsWindowsDpi)
{
    view = owned(plugin->controller()->createView("editor"));
    ASSERT_TRUE(view);
    // Before any window the system's DPI, so the host sizes its window right.
    EXPECT_EQ(viewSize().getWidth(), 2 * kWidth);
    ASSERT_EQ(view->attached(host.window, kPlatformTypeHWND), kResultOk);
    pump(200);
    expectTwiceTheSizeAndPainted("windows-editor-192dpi.png");
    // A click on Bypass at its place at 2x.
    click(host.child(), {400, 50});
    EXPECT_EQ(performed(plugin->handler(), 0), std::vector<ParamValue>{1.0});
    EXPECT_EQ(view->removed(), kResultOk);
}

// A DPI-aware host that also says 2: still 540 x 340, never 1080 x 680.
TEST_F(WindowsEditorHiDpi, AHostScaleAtTheSameDpiIsNotAppliedTwice)
{
    for (const bool before : {true, false})
    {
        SCOPED_TRACE(before ? "before attached" : "after attached");
        view = owned(plugin->controller()->createView("editor"));
        FUnknownPtr<IPlugViewContentScaleSupport> scaling(view);
        ASSERT_TRUE(scaling);
        if (before)
        {
            ASSERT_EQ(scaling->setContentScaleFactor(2.0f), kResultTrue);
        }
        ASSERT_EQ(view->attached(host.window, kPlatformTypeHWND), kResultOk);
        pump(200);
        if (!before)
        {
            ASSERT_EQ(scaling->setContentScaleFactor(2.0f), kResultTrue);
            pump(200);
        }
        expectTwiceTheSizeAndPainted("windows-editor-192dpi-host2.png");
        EXPECT_EQ(view->removed(), kResultOk);
        view = nullptr;
    }
}

TEST_F(WindowsEditorHiDpi, Vst2EditorAt192Dpi)
{
    std::string error;
    auto vst2 = KestrumHost::Vst2Plugin::open(KESTRUM_VST2_MODULE_PATH, error);
    ASSERT_TRUE(vst2) << error;
    vst_rect* rect = nullptr;
    ASSERT_EQ(vst2->dispatch(Vst2::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->right - rect->left, 2 * kWidth);
    EXPECT_EQ(rect->bottom - rect->top, 2 * kHeight);
    ASSERT_EQ(vst2->dispatch(Vst2::effEditOpen, 0, 0, host.window), 1);
    pump(100);
    HWND child = host.child();
    ASSERT_TRUE(child);
    RECT client;
    GetClientRect(child, &client);
    EXPECT_EQ(client.right, 2 * kWidth);
    EXPECT_EQ(client.bottom, 2 * kHeight);
    EXPECT_EQ(vst2->dispatch(Vst2::effEditClose), 1);
}
