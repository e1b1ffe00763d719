// Kestrum.clap's editor in an HWND under Wine: created through the CLAP gui
// extension for "win32", set to a bare parent window of the test's own,
// shown, painted and destroyed, driven by the host's timer.
#include "host/clapplugin.h"

#include "clap/ext/gui.h"

#include <windows.h>

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

using KestrumHost::ClapPlugin;

namespace
{

LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM w, LPARAM l)
{
    return DefWindowProcW(window, message, w, l);
}

// The host's main loop: messages, and the plug-in's timer some 60 times a
// second.
void pump(ClapPlugin& plugin, int milliseconds)
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
        plugin.fireTimersAndFds();
        Sleep(15);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

// The distinct colours the child window shows, drawn by PrintWindow.
size_t distinctColours(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = client.right;
    info.bmiHeader.biHeight = -client.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC windowDc = GetDC(window);
    HDC memory = CreateCompatibleDC(windowDc);
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    PrintWindow(window, memory, PW_CLIENTONLY);
    GdiFlush();
    const auto* words = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> pixels(words, words + client.right * client.bottom);
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(window, windowDc);
    std::sort(pixels.begin(), pixels.end());
    return static_cast<size_t>(std::unique(pixels.begin(), pixels.end()) - pixels.begin());
}

} // namespace

TEST(WindowsClapGui, ShowsThePaintedEditorInAnHwndAndLeavesNothingBehind)
{
    std::string error;
    auto plugin = ClapPlugin::open(KESTRUM_CLAP_PATH, error);
    ASSERT_TRUE(plugin) << error;
    const auto* gui = plugin->extension<clap_plugin_gui_t>(CLAP_EXT_GUI);
    ASSERT_TRUE(gui);
    const clap_plugin_t* p = plugin->plugin();
    EXPECT_TRUE(gui->is_api_supported(p, CLAP_WINDOW_API_WIN32, false));
    EXPECT_FALSE(gui->is_api_supported(p, CLAP_WINDOW_API_WIN32, true));
    EXPECT_FALSE(gui->is_api_supported(p, CLAP_WINDOW_API_X11, false));

    WNDCLASSW wc = {};
    wc.lpfnWndProc = parentProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KestrumClapTestHost";
    RegisterClassW(&wc);
    HWND parent =
        CreateWindowExW(0, wc.lpszClassName, L"CLAP host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                        400, 300, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(parent);

    ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_WIN32, false));
    uint32_t width = 0, height = 0;
    ASSERT_TRUE(gui->get_size(p, &width, &height));
    EXPECT_EQ(width, 270u);
    EXPECT_EQ(height, 170u);
    clap_window_t window{};
    window.api = CLAP_WINDOW_API_WIN32;
    window.win32 = parent;
    ASSERT_TRUE(gui->set_parent(p, &window));
    ASSERT_TRUE(gui->show(p));
    EXPECT_EQ(plugin->timerCount(), 1u);
    pump(*plugin, 500);
    HWND child = FindWindowExW(parent, nullptr, nullptr, nullptr);
    ASSERT_TRUE(child);
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_GT(distinctColours(child), 50u) << "painted";

    gui->destroy(p);
    EXPECT_EQ(plugin->timerCount(), 0u);
    pump(*plugin, 100);
    EXPECT_EQ(FindWindowExW(parent, nullptr, nullptr, nullptr), nullptr);
    DestroyWindow(parent);
}
