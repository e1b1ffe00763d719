#pragma once

// The buses and lists of one VST 3 process call as a format adapter hands
// them over: one main input and one main output bus of 32-bit channels, and
// the parameter changes in both directions. Sized on the main thread while
// processing is stopped; the audio thread only points the channels at the
// host's buffers and sets the frame count.

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <vector>

namespace Steinberg
{
namespace Vst
{

struct ProcessBlock
{
    // No input channels leave the process call without an input bus.
    void bind(int32 numInputs, int32 numOutputs, IParameterChanges* inputChanges,
              IParameterChanges* outputChanges);

    std::vector<float*> inputChannels;
    std::vector<float*> outputChannels;
    AudioBusBuffers inputBus{};
    AudioBusBuffers outputBus{};
    ProcessData data{};
};

} // namespace Vst
} // namespace Steinberg
