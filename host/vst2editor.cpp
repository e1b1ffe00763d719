#include "host/vst2editor.h"

#include <chrono>
#include <thread>

namespace KestrumHost
{
namespace
{

// About the rate at which VST 2 hosts send effEditIdle.
constexpr std::chrono::milliseconds kIdleInterval(10);

} // namespace

std::unique_ptr<Vst2Editor> Vst2Editor::open(Vst2Plugin& plugin, std::string& error)
{
    AEffect* effect = plugin.effect();
    if (!effect || !(effect->flags & Vst2::effFlagsHasEditor))
    {
        error = "the effect has no editor";
        return nullptr;
    }
    vst_rect* rect = nullptr;
    if (plugin.dispatch(Vst2::effEditGetRect, 0, 0, &rect) == 0 || !rect)
    {
        error = "effEditGetRect gave no size";
        return nullptr;
    }
    auto window = X11Window::create(rect->right - rect->left, rect->bottom - rect->top, error);
    if (!window)
        return nullptr;
    if (plugin.dispatch(Vst2::effEditOpen, 0, 0, window->handle()) == 0)
    {
        error = "effEditOpen refused the window";
        return nullptr;
    }
    return std::unique_ptr<Vst2Editor>(new Vst2Editor(plugin, std::move(window)));
}

Vst2Editor::Vst2Editor(Vst2Plugin& plugin, std::unique_ptr<X11Window> window)
    : plugin(plugin), hostWindow(std::move(window))
{
}

Vst2Editor::~Vst2Editor()
{
    plugin.dispatch(Vst2::effEditClose);
}

void Vst2Editor::idle()
{
    plugin.dispatch(Vst2::effEditIdle);
}

void Vst2Editor::run(int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do
    {
        plugin.dispatch(Vst2::effEditIdle);
        std::this_thread::sleep_for(kIdleInterval);
    } while (std::chrono::steady_clock::now() < end);
}

} // namespace KestrumHost
