// A top-level X window of the host's own, on the display named by $DISPLAY,
// for a plug-in editor to embed itself in. Like the least forgiving hosts it
// never maps what is put into it: the editor must show itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct xcb_connection_t;

namespace KestrumHost
{

class X11Window
{
public:
    // A mapped window of the given size. Null with a reason when there is no
    // X server or the size is not positive.
    static std::unique_ptr<X11Window> create(int width, int height, std::string& error);
    ~X11Window();
    X11Window(const X11Window&) = delete;
    X11Window& operator=(const X11Window&) = delete;

    std::uint32_t id() const { return window; }
    // The window as plug-ins take it (VST 3 attached, VST 2 effEditOpen).
    void* handle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)); }
    int width() const { return windowWidth; }
    int height() const { return windowHeight; }

    void resize(int width, int height);
    // The number of child windows, and of those that are viewable.
    int childCount(bool viewableOnly = false) const;
    // What the window shows, with its children: one 0x00RRGGBB word per
    // pixel, row by row. Empty when the server cannot give it.
    std::vector<std::uint32_t> grab() const;
    // The same written as a PNG file.
    bool saveImage(const std::string& path) const;

private:
    X11Window() = default;
    void sync() const;

    struct ConnectionCloser
    {
        void operator()(xcb_connection_t* c) const;
    };
    std::unique_ptr<xcb_connection_t, ConnectionCloser> connection;
    std::uint32_t window = 0;
    int windowWidth = 0;
    int windowHeight = 0;
};

} // namespace KestrumHost
