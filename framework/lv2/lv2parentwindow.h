// The host's ui:parent window as the LV2 UI sees it: a window on the
// display, whose new child after the editor view was attached is the
// editor's own window, the widget the host gets (and may resize).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct xcb_connection_t;

namespace Steinberg
{
namespace Vst
{

class Lv2ParentWindow
{
public:
    // Notes the parent's current children. Null when the display cannot be
    // reached or `parent` is no window.
    static std::unique_ptr<Lv2ParentWindow> open(std::uintptr_t parent);
    ~Lv2ParentWindow();
    Lv2ParentWindow(const Lv2ParentWindow&) = delete;
    Lv2ParentWindow& operator=(const Lv2ParentWindow&) = delete;

    // A child that was not there at open(), waiting for it at most
    // `timeoutMs` (it comes from another connection); 0 when none appeared.
    std::uint32_t newChild(int timeoutMs);

private:
    Lv2ParentWindow() = default;
    bool children(std::vector<std::uint32_t>& windows);

    struct ConnectionCloser
    {
        void operator()(xcb_connection_t* c) const;
    };
    std::unique_ptr<xcb_connection_t, ConnectionCloser> connection;
    std::uint32_t window = 0;
    std::vector<std::uint32_t> before;
};

} // namespace Vst
} // namespace Steinberg
