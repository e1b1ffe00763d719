#include "drawingbackend.h"

#include <windows.h>
// after windows.h, which it builds on
#include <gdiplus.h>
#include <mutex>

namespace VSTGUI
{
namespace
{

std::mutex sessionMutex;
std::weak_ptr<void> current;

} // namespace

PlatformSession::PlatformSession()
{
    std::lock_guard<std::mutex> lock(sessionMutex);
    token = current.lock();
    if (token)
        return;
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR started = 0;
    if (Gdiplus::GdiplusStartup(&started, &input, nullptr) != Gdiplus::Ok)
        return; // drawing calls then fail and draw nothing
    token = std::shared_ptr<void>(reinterpret_cast<void*>(started), [](void* t)
                                  { Gdiplus::GdiplusShutdown(reinterpret_cast<ULONG_PTR>(t)); });
    current = token;
}

} // namespace VSTGUI
