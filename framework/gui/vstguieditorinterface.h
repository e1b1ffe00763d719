// What a frame needs to know of the editor that owns it.
#pragma once

#include <cstdint>

namespace Steinberg
{
namespace Linux
{
class IRunLoop;
}
} // namespace Steinberg

namespace VSTGUI
{

class VSTGUIEditorInterface
{
public:
    virtual ~VSTGUIEditorInterface() = default;

    // One of CKnobMode: how knobs follow a drag, as the host asked.
    virtual std::int32_t getKnobMode() const = 0;
    // The host's run loop that drives the window; null when there is none
    // (the frame then draws only offscreen).
    virtual Steinberg::Linux::IRunLoop* getRunLoop() const = 0;
    // Device pixels per logical pixel, as the editor decided.
    virtual double getScaleFactor() const { return 1; }
    // The window system's scale for the frame's window changed.
    virtual void onPlatformScaleChanged(double /*factor*/) {}
};

} // namespace VSTGUI
