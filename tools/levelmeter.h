// Per-channel figures the tool prints before and after processing: the DC
// offset (the mean of the samples) and the level below 20 Hz.
//
// The level below 20 Hz is the RMS of the signal after a 4th-order
// Butterworth low-pass at 20 Hz (two cascaded biquads, run in double
// precision from rest), in dBFS relative to a full-scale constant of 1.0, so
// a DC offset of 0.1 alone reads -20 dBFS. DC counts as content below 20 Hz.
//
// Channels are independent, so four of them share one vector of lanes; the
// tool meters the input and the output channels in the same pass.
#pragma once

#include <cstdint>
#include <vector>

namespace KestrumTool
{

class LevelMeters
{
public:
    // The inner loops: SSE2 (every x86-64 CPU), AVX, AVX2 with FMA.
    enum class Kernel
    {
        kSse2,
        kAvx,
        kFma,
    };
    // The fastest this CPU runs.
    static Kernel bestKernel();

    LevelMeters(double sampleRate, int numChannels, Kernel kernel = bestKernel());

    // Adds `frames` samples of every channel; channels holds one pointer per
    // channel.
    void add(const float* const* channels, std::int64_t frames);

    int numChannels() const { return channelCount; }
    std::int64_t count() const { return numFrames; }
    // Mean of all samples of a channel; 0 before any sample.
    double dcOffset(int channel) const;
    // RMS of the low-passed channel in dBFS; -inf for silence or no samples.
    double lowBandDb(int channel) const;

    static constexpr int kLanes = 4;
    // A low-pass biquad: gain * (1 + 2/z + 1/z^2) / (1 + a1/z + a2/z^2).
    struct Section
    {
        double gain, a1, a2;
    };
    // The running sums and the two sections' histories of four channels, one
    // array per quantity so that one load fills a vector.
    struct alignas(32) Group
    {
        double sum[kLanes] = {};
        double lowSquares[kLanes] = {};          // of the low band without the gains
        double x1[kLanes] = {}, x2[kLanes] = {}; // input
        double u1[kLanes] = {}, u2[kLanes] = {}; // first section's output / gain
        double v1[kLanes] = {}, v2[kLanes] = {}; // second section's output / gains
    };

private:
    Section first{};
    Section second{};
    int channelCount;
    std::int64_t numFrames = 0;
    std::vector<Group> groups;
    Kernel kernel;
};

} // namespace KestrumTool
