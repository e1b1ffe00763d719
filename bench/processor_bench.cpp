// What the processor adds around the filter: parameter and bus handling per
// call. Compare with BM_ProcessBlock at 2 channels and the same frames.
#include "processor/kestrum.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

void BM_KestrumProcess(benchmark::State& state)
{
    const int32 frames = static_cast<int32>(state.range(0));
    IPtr<FUnknown> instance = owned(Kestrum::Kestrum::createInstance(nullptr));
    FUnknownPtr<IComponent> component(instance);
    FUnknownPtr<IAudioProcessor> processor(instance);
    if (!component || !processor || component->initialize(nullptr) != kResultOk)
    {
        state.SkipWithError("processor not available");
        return;
    }
    ProcessSetup setup{kRealtime, kSample32, 4096, 48000.0};
    processor->setupProcessing(setup);
    component->setActive(true);
    processor->setProcessing(true);

    std::vector<float> in[2], out[2];
    float* inPtrs[2];
    float* outPtrs[2];
    for (int ch = 0; ch < 2; ++ch)
    {
        in[ch].resize(frames);
        out[ch].resize(frames);
        std::uint32_t seed = ch + 2;
        for (float& x : in[ch])
        {
            seed = seed * 1664525u + 1013904223u;
            x = 0.1f + static_cast<float>(static_cast<std::int32_t>(seed)) / 4294967296.0f;
        }
        inPtrs[ch] = in[ch].data();
        outPtrs[ch] = out[ch].data();
    }
    AudioBusBuffers inBus{};
    inBus.numChannels = 2;
    inBus.channelBuffers32 = inPtrs;
    AudioBusBuffers outBus{};
    outBus.numChannels = 2;
    outBus.channelBuffers32 = outPtrs;
    ProcessData data;
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample32;
    data.numSamples = frames;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;

    for (auto _ : state)
    {
        processor->process(data);
        benchmark::ClobberMemory();
    }
    state.counters["frame"] = benchmark::Counter(
        frames, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);

    processor->setProcessing(false);
    component->setActive(false);
    component->terminate();
}
BENCHMARK(BM_KestrumProcess)->ArgName("frames")->Arg(32)->Arg(512);

} // namespace
