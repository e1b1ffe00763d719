// What a batch host needs of a plug-in, whichever interface it is loaded
// through (VST 3 bundle or VST 2 module). The command-line tool and the
// benchmarks drive plug-ins only through this.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace KestrumHost
{

class HostedPlugin
{
public:
    virtual ~HostedPlugin() = default;

    // Prepares processing for the given rate, largest block and channel count
    // (input = output) and activates the plug-in. False when refused.
    virtual bool start(double sampleRate, int maxBlockSize, int numChannels) = 0;
    // Deactivates; safe to call when not started.
    virtual void stop() = 0;

    // Sets a parameter as a host automation edit would: the controller's value
    // follows at once, the processor receives it at the start of the next block.
    virtual bool setParameter(std::uint32_t id, double normalized) = 0;
    virtual double getParameter(std::uint32_t id) const = 0;
    // The plug-in's own display text for a parameter's current value.
    virtual std::string getParameterText(std::uint32_t id) const = 0;

    // Processes one block of at most maxBlockSize frames; input may equal output.
    virtual bool process(const float* const* inputs, float* const* outputs, int numFrames) = 0;

    // The plug-in's whole state (processor and controller) as one opaque blob,
    // and its restoration. restoreState leaves the plug-in unchanged on failure.
    virtual bool saveState(std::vector<std::uint8_t>& blob) = 0;
    virtual bool restoreState(const std::vector<std::uint8_t>& blob) = 0;

    virtual std::string name() const = 0;
};

} // namespace KestrumHost
