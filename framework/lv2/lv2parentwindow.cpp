#include "lv2/lv2parentwindow.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <new>
#include <thread>
#include <xcb/xcb.h>

namespace Steinberg
{
namespace Vst
{
namespace
{

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};

constexpr auto kPollInterval = std::chrono::milliseconds(2);

} // namespace

void Lv2ParentWindow::ConnectionCloser::operator()(xcb_connection_t* c) const
{
    xcb_disconnect(c);
}

std::unique_ptr<Lv2ParentWindow> Lv2ParentWindow::open(std::uintptr_t parent)
{
    if (parent == 0 || parent > UINT32_MAX)
        return nullptr;
    std::unique_ptr<Lv2ParentWindow> result(new (std::nothrow) Lv2ParentWindow);
    if (!result)
        return nullptr;
    result->connection.reset(xcb_connect(nullptr, nullptr));
    if (xcb_connection_has_error(result->connection.get()))
        return nullptr;
    result->window = static_cast<std::uint32_t>(parent);
    // A parent that is no window has no children to list.
    if (!result->children(result->before))
        return nullptr;
    return result;
}

Lv2ParentWindow::~Lv2ParentWindow() = default;

bool Lv2ParentWindow::children(std::vector<std::uint32_t>& windows)
{
    xcb_connection_t* c = connection.get();
    std::unique_ptr<xcb_query_tree_reply_t, FreeDeleter> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!tree)
        return false;
    const xcb_window_t* list = xcb_query_tree_children(tree.get());
    windows.assign(list, list + xcb_query_tree_children_length(tree.get()));
    return true;
}

std::uint32_t Lv2ParentWindow::newChild(int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::uint32_t> now;
    do
    {
        if (!children(now))
            return 0;
        for (const std::uint32_t child : now)
            if (std::find(before.begin(), before.end(), child) == before.end())
                return child;
        std::this_thread::sleep_for(kPollInterval);
    } while (std::chrono::steady_clock::now() < end);
    return 0;
}

} // namespace Vst
} // namespace Steinberg
