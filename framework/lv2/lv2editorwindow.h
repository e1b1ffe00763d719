// The LV2 UI's own window inside the host's ui:parent, on a connection of
// its own: the widget handed to the host, and the parent of the editor
// view's window. Closing the connection destroys the window.
#pragma once

#include <cstdint>
#include <memory>

struct xcb_connection_t;

namespace Steinberg
{
namespace Vst
{

class Lv2EditorWindow
{
public:
    // A mapped child of `parent`; null when the display cannot be reached or
    // `parent` is no window.
    static std::unique_ptr<Lv2EditorWindow> create(std::uintptr_t parent, int width, int height);
    ~Lv2EditorWindow();
    Lv2EditorWindow(const Lv2EditorWindow&) = delete;
    Lv2EditorWindow& operator=(const Lv2EditorWindow&) = delete;

    std::uint32_t id() const { return window; }
    void resize(int width, int height);

private:
    Lv2EditorWindow() = default;

    struct ConnectionCloser
    {
        void operator()(xcb_connection_t* c) const;
    };
    std::unique_ptr<xcb_connection_t, ConnectionCloser> connection;
    std::uint32_t window = 0;
};

} // namespace Vst
} // namespace Steinberg
