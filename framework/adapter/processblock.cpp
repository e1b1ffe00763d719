#include "adapter/processblock.h"

namespace Steinberg
{
namespace Vst
{

void ProcessBlock::bind(int32 numInputs, int32 numOutputs, IParameterChanges* inputChanges,
                        IParameterChanges* outputChanges)
{
    inputChannels.assign(static_cast<size_t>(numInputs), nullptr);
    outputChannels.assign(static_cast<size_t>(numOutputs), nullptr);
    inputBus.numChannels = numInputs;
    inputBus.channelBuffers32 = inputChannels.data();
    outputBus.numChannels = numOutputs;
    outputBus.channelBuffers32 = outputChannels.data();
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample32;
    data.numInputs = numInputs > 0 ? 1 : 0;
    data.inputs = numInputs > 0 ? &inputBus : nullptr;
    data.numOutputs = 1;
    data.outputs = &outputBus;
    data.inputParameterChanges = inputChanges;
    data.outputParameterChanges = outputChanges;
}

} // namespace Vst
} // namespace Steinberg
