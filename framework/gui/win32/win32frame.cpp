#include "gui/win32/win32frame.h"

#include "gui/cdrawcontext.h"
#include "gui/win32/win32module.h"

#include "pluginterfaces/gui/iplugview.h"

#include <windows.h>
// after windows.h, which it builds on
#include <gdiplus.h>
#include <mutex>
#include <windowsx.h>

namespace VSTGUI
{
namespace Win32
{
namespace
{

constexpr UINT_PTR kIdleTimer = 1;
constexpr UINT kIdleMilliseconds = 50;
#ifndef WM_DPICHANGED_AFTERPARENT
constexpr UINT WM_DPICHANGED_AFTERPARENT = 0x02E3;
#endif
constexpr double kDefaultDpi = 96;

// Windows 10 1607 and later; looked up at run time so the module still loads
// on older systems, which then get the DC's DPI in DPI-aware processes.
// Neither changes the process's DPI awareness: that is the host's choice.
double dpiScaleOf(HWND window)
{
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    using GetDpiForSystemFunction = UINT(WINAPI*)();
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (!user32)
        return 1;
    if (window)
    {
        auto forWindow = reinterpret_cast<GetDpiForWindowFunction>(
            reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")));
        if (forWindow)
        {
            const UINT dpi = forWindow(window);
            return dpi > 0 ? dpi / kDefaultDpi : 1;
        }
    }
    else
    {
        auto forSystem = reinterpret_cast<GetDpiForSystemFunction>(
            reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForSystem")));
        if (forSystem)
        {
            const UINT dpi = forSystem();
            return dpi > 0 ? dpi / kDefaultDpi : 1;
        }
    }
    // Before Windows 10 an unaware process is scaled by Windows as a whole.
    if (!IsProcessDPIAware())
        return 1;
    HDC screen = GetDC(window);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen)
        ReleaseDC(window, screen);
    return dpi > 0 ? dpi / kDefaultDpi : 1;
}

// One window class per loaded module, named after the module's address so
// two copies of the plug-in (VST 3 and VST 2 files) never share a window
// procedure. Unregistered with the last window, before the host may unload
// the module.
class WindowClass
{
public:
    static const wchar_t* acquire(WNDPROC procedure)
    {
        std::lock_guard<std::mutex> lock(mutex());
        State& s = state();
        if (s.users == 0)
        {
            swprintf(s.name, sizeof(s.name) / sizeof(s.name[0]), L"VSTGUIFrame%p",
                     static_cast<void*>(toolkitInstance()));
            WNDCLASSEXW wc = {};
            wc.cbSize = sizeof(wc);
            wc.style = CS_DBLCLKS;
            wc.lpfnWndProc = procedure;
            wc.hInstance = toolkitInstance();
            wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
            wc.lpszClassName = s.name;
            if (!RegisterClassExW(&wc))
                return nullptr;
        }
        ++s.users;
        return s.name;
    }

    static void release()
    {
        std::lock_guard<std::mutex> lock(mutex());
        State& s = state();
        if (s.users > 0 && --s.users == 0)
            UnregisterClassW(s.name, toolkitInstance());
    }

private:
    struct State
    {
        int users = 0;
        wchar_t name[64] = {};
    };
    static State& state()
    {
        static State s;
        return s;
    }
    static std::mutex& mutex()
    {
        static std::mutex m;
        return m;
    }
};

CButtonState modifiers(WPARAM wParam)
{
    CButtonState state = 0;
    if (wParam & MK_SHIFT)
        state |= kShift;
    if (wParam & MK_CONTROL)
        state |= kControl;
    if (GetKeyState(VK_MENU) < 0)
        state |= kAlt;
    return state;
}

CButtonState heldButtons(WPARAM wParam)
{
    CButtonState state = modifiers(wParam);
    if (wParam & MK_LBUTTON)
        state |= kLButton;
    if (wParam & MK_MBUTTON)
        state |= kMButton;
    if (wParam & MK_RBUTTON)
        state |= kRButton;
    return state;
}

CPoint pointOf(LPARAM lParam)
{
    return CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
}

} // namespace

Frame::Frame(IPlatformFrameCallback& cb) : callback(cb) {}

std::unique_ptr<Frame> Frame::create(IPlatformFrameCallback& callback, HWND parent,
                                     const CRect& size)
{
    if (!parent || !IsWindow(parent) || size.isEmpty())
        return nullptr;
    std::unique_ptr<Frame> frame(new Frame(callback));
    const wchar_t* className = WindowClass::acquire(windowProc);
    if (!className)
        return nullptr;
    frame->window = CreateWindowExW(
        0, className, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
        static_cast<int>(size.left), static_cast<int>(size.top), static_cast<int>(size.getWidth()),
        static_cast<int>(size.getHeight()), parent, nullptr, toolkitInstance(), frame.get());
    if (!frame->window)
    {
        WindowClass::release();
        return nullptr;
    }
    SetTimer(frame->window, kIdleTimer, kIdleMilliseconds, nullptr);
    return frame;
}

Frame::~Frame()
{
    *alive = false;
    if (!window)
        return;
    KillTimer(window, kIdleTimer);
    if (GetCapture() == window)
        ReleaseCapture();
    // No message reaches this object any more, even while the window goes.
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    WindowClass::release();
}

LRESULT CALLBACK Frame::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
    {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* frame = reinterpret_cast<Frame*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (frame && frame->window == window)
        return frame->handle(message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Frame::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_PAINT:
        paint();
        return 0;
    case WM_PRINTCLIENT:
    {
        // PrintWindow and hosts' thumbnails: the whole client area into their DC.
        RECT client;
        GetClientRect(window, &client);
        drawInto(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1; // the paint covers everything; erasing would flicker
    case WM_DPICHANGED_AFTERPARENT:
        callback.platformOnScaleChanged(dpiScaleOf(window));
        return 0;
    case WM_TIMER:
        if (wParam == kIdleTimer)
            callback.platformOnIdle();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        onButtonDown(kLButton, wParam, lParam, message == WM_LBUTTONDBLCLK);
        return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        onButtonDown(kMButton, wParam, lParam, message == WM_MBUTTONDBLCLK);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        onButtonDown(kRButton, wParam, lParam, message == WM_RBUTTONDBLCLK);
        return 0;
    case WM_LBUTTONUP:
        onButtonUp(kLButton, wParam, lParam);
        return 0;
    case WM_MBUTTONUP:
        onButtonUp(kMButton, wParam, lParam);
        return 0;
    case WM_RBUTTONUP:
        onButtonUp(kRButton, wParam, lParam);
        return 0;
    case WM_MOUSEMOVE:
    {
        CPoint where = pointOf(lParam);
        callback.platformOnMouseMoved(where, heldButtons(wParam));
        return 0;
    }
    case WM_MOUSEWHEEL:
    {
        // Wheel positions come in screen coordinates.
        POINT screen = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ScreenToClient(window, &screen);
        const float distance =
            static_cast<float>(GET_WHEEL_DELTA_WPARAM(wParam)) / static_cast<float>(WHEEL_DELTA);
        callback.platformOnWheel(CPoint(screen.x, screen.y), distance,
                                 heldButtons(GET_KEYSTATE_WPARAM(wParam)));
        return 0;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void Frame::onButtonDown(CButtonState button, WPARAM wParam, LPARAM lParam, bool doubleClick)
{
    CPoint where = pointOf(lParam);
    CButtonState buttons = modifiers(wParam) | button;
    if (doubleClick)
        buttons |= kDoubleClick;
    // Focus, so the wheel reaches this window after a click.
    SetFocus(window);
    const std::shared_ptr<bool> stillAlive = alive;
    const CMouseEventResult result = callback.platformOnMouseDown(where, buttons);
    // Keep the drag even when the pointer leaves the window.
    if (*stillAlive && result == kMouseEventHandled)
        SetCapture(window);
}

void Frame::onButtonUp(CButtonState button, WPARAM wParam, LPARAM lParam)
{
    if (GetCapture() == window)
        ReleaseCapture();
    CPoint where = pointOf(lParam);
    callback.platformOnMouseUp(where, modifiers(wParam) | button);
}

void Frame::paint()
{
    PAINTSTRUCT ps;
    HDC target = BeginPaint(window, &ps);
    if (target)
        drawInto(target, ps.rcPaint);
    EndPaint(window, &ps);
}

// Draws `area` offscreen first and copies it in one piece: no flicker.
void Frame::drawInto(HDC target, const RECT& area)
{
    RECT client;
    GetClientRect(window, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (width <= 0 || height <= 0 || IsRectEmpty(&area))
        return;
    HDC memory = CreateCompatibleDC(target);
    HBITMAP buffer = CreateCompatibleBitmap(target, width, height);
    if (memory && buffer)
    {
        HGDIOBJ previous = SelectObject(memory, buffer);
        {
            Gdiplus::Graphics graphics(memory);
            CDrawContext context(&graphics);
            const CRect update(area.left, area.top, area.right, area.bottom);
            context.clipRect(update);
            callback.platformDrawRect(context, update);
        }
        BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, memory,
               area.left, area.top, SRCCOPY);
        SelectObject(memory, previous);
    }
    if (buffer)
        DeleteObject(buffer);
    if (memory)
        DeleteDC(memory);
}

void Frame::invalidRect(const CRect& rect)
{
    RECT r = {static_cast<LONG>(rect.left), static_cast<LONG>(rect.top),
              static_cast<LONG>(rect.right), static_cast<LONG>(rect.bottom)};
    InvalidateRect(window, &r, FALSE);
}

void Frame::redrawInvalid()
{
    UpdateWindow(window);
}

void Frame::setSize(const CRect& size)
{
    const int width = static_cast<int>(size.getWidth());
    const int height = static_cast<int>(size.getHeight());
    if (width <= 0 || height <= 0)
        return;
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window, nullptr, FALSE);
}

} // namespace Win32

const char* platformFrameType()
{
    return Steinberg::kPlatformTypeHWND;
}

// Windows and GDI+ are system DLLs, linked as usual.
bool loadPlatformLibraries()
{
    return true;
}

double platformScaleFactor(void* parent)
{
    return Win32::dpiScaleOf(static_cast<HWND>(parent));
}

std::unique_ptr<IPlatformFrame> createPlatformFrame(IPlatformFrameCallback& frame, void* parent,
                                                    const CRect& size,
                                                    Steinberg::Linux::IRunLoop* /*runLoop*/)
{
    return Win32::Frame::create(frame, static_cast<HWND>(parent), size);
}

} // namespace VSTGUI
