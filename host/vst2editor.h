// A VST 2 effect's editor shown the way a Linux VST 2 host shows it: the
// size from effEditGetRect, a window of the host's own passed to
// effEditOpen, effEditIdle called while the host runs, effEditClose at the
// end. The host does not speak XEmbed: the effect must map its own window.
#pragma once

#include "host/vst2plugin.h"
#include "host/x11window.h"

#include <memory>
#include <string>

namespace KestrumHost
{

class Vst2Editor
{
public:
    // Null with a reason when the effect has no editor or refuses to open.
    static std::unique_ptr<Vst2Editor> open(Vst2Plugin& plugin, std::string& error);
    // effEditClose.
    ~Vst2Editor();
    Vst2Editor(const Vst2Editor&) = delete;
    Vst2Editor& operator=(const Vst2Editor&) = delete;

    // Calls effEditIdle every few milliseconds for about `milliseconds`.
    void run(int milliseconds);
    // One effEditIdle.
    void idle();

    X11Window& window() const { return *hostWindow; }

private:
    Vst2Editor(Vst2Plugin& plugin, std::unique_ptr<X11Window> window);

    Vst2Plugin& plugin;
    std::unique_ptr<X11Window> hostWindow;
};

} // namespace KestrumHost
