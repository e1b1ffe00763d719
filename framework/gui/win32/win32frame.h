// The frame's window on Windows: a WS_CHILD window of the host's HWND, of a
// window class registered with the module's instance. Painting goes to an
// offscreen bitmap first (GDI+) and is copied to the window in one piece;
// a 50 ms SetTimer gives the frame its idle; the mouse is captured while a
// button is held.
#pragma once

#include "drawingbackend.h"
#include "gui/platformframe.h"

#include <memory>
#include <windows.h>

namespace VSTGUI
{
namespace Win32
{

class Frame : public IPlatformFrame
{
public:
    // Null when the parent is not a window or the window cannot be made.
    static std::unique_ptr<Frame> create(IPlatformFrameCallback& callback, HWND parent,
                                         const CRect& size);
    ~Frame() override;
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    void invalidRect(const CRect& rect) override;
    void redrawInvalid() override;
    void setSize(const CRect& size) override;

    HWND getWindow() const { return window; }

private:
    explicit Frame(IPlatformFrameCallback& callback);
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void paint();
    void drawInto(HDC target, const RECT& area);
    void onButtonDown(CButtonState button, WPARAM wParam, LPARAM lParam, bool doubleClick);
    void onButtonUp(CButtonState button, WPARAM wParam, LPARAM lParam);

    IPlatformFrameCallback& callback;
    PlatformSession session;
    HWND window = nullptr;
    // Cleared by the destructor: lets a message handler notice that a
    // callback it made destroyed this frame.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

} // namespace Win32
} // namespace VSTGUI
