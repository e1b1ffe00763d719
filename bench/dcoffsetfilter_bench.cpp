// Cost of the filter per frame and per channel-sample, against the bare
// one-channel recurrence, which no channel count can beat per frame.
#include "processor/dcoffsetfilter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

using namespace Kestrum;

namespace
{

constexpr double kRealTimeRate = 48000.0;

std::vector<float> noise(int length, std::uint32_t seed)
{
    std::vector<float> v(length);
    for (float& x : v)
    {
        seed = seed * 1664525u + 1013904223u;
        x = 0.1f + static_cast<float>(static_cast<std::int32_t>(seed)) / 4294967296.0f;
    }
    return v;
}

void addCounters(benchmark::State& state, int frames, int channels)
{
    using benchmark::Counter;
    const double perIteration = frames;
    state.counters["frame"] =
        Counter(perIteration, Counter::kIsIterationInvariantRate | Counter::kInvert);
    state.counters["ch_sample"] =
        Counter(perIteration * channels, Counter::kIsIterationInvariantRate | Counter::kInvert);
    state.counters["x_realtime48k"] =
        Counter(perIteration / kRealTimeRate, Counter::kIsIterationInvariantRate);
}

// Steps 1-7 for one channel, written plainly: the loop-carried chain
// y -> a1*y -> subtract -> add is the floor for any implementation.
void BM_BareRecurrence(benchmark::State& state)
{
    const int frames = static_cast<int>(state.range(0));
    FilterCoefficients c{};
    tabledCoefficients(kModeBassDrop, 48000, c);
    const std::vector<float> in = noise(frames, 1);
    std::vector<float> out(frames);
    double s0 = 0.0, s1 = 0.0, s2 = 0.0;
    for (auto _ : state)
    {
        for (int i = 0; i < frames; ++i)
        {
            float x = in[i];
            if (std::fabs(x) < kDenormalFloor)
                x = kDenormalFloor;
            const double xd = x;
            const double y = c.b0 * xd + s0;
            s0 = (c.b1 * xd - c.a1 * y) + s1;
            s1 = (c.b2 * xd - c.a2 * y) + s2;
            s2 = c.b3 * xd - c.a3 * y;
            out[i] = static_cast<float>(y);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    addCounters(state, frames, 1);
}
BENCHMARK(BM_BareRecurrence)->Arg(32)->Arg(512)->Arg(4096);

// range(0) channels, range(1) frames per block, range(2) instruction set.
void BM_ProcessBlock(benchmark::State& state)
{
    const int channels = static_cast<int>(state.range(0));
    const int frames = static_cast<int>(state.range(1));
    const auto set = static_cast<InstructionSet>(state.range(2));
    DcOffsetFilter filter;
    filter.setInstructionSet(set);
    if (filter.getInstructionSet() != set)
    {
        state.SkipWithError("instruction set not supported by this CPU");
        return;
    }
    filter.setup(channels);
    filter.setSampleRate(kRealTimeRate);
    std::vector<std::vector<float>> in, out;
    std::vector<const float*> inPtrs;
    std::vector<float*> outPtrs;
    for (int ch = 0; ch < channels; ++ch)
    {
        in.push_back(noise(frames, ch + 2));
        out.emplace_back(frames);
    }
    for (int ch = 0; ch < channels; ++ch)
    {
        inPtrs.push_back(in[ch].data());
        outPtrs.push_back(out[ch].data());
    }
    for (auto _ : state)
    {
        filter.processBlock(inPtrs.data(), outPtrs.data(), frames);
        benchmark::ClobberMemory();
    }
    addCounters(state, frames, channels);
}

void processBlockArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"ch", "frames", "isa"});
    for (int set :
         {int(InstructionSet::kAvx), int(InstructionSet::kSse2), int(InstructionSet::kScalar)})
        for (int channels : {1, 2, 8})
            for (int frames : {32, 512, 4096})
                b->Args({channels, frames, set});
}
BENCHMARK(BM_ProcessBlock)->Apply(processBlockArgs);

} // namespace
