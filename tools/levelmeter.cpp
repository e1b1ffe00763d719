#include "levelmeter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace KestrumTool
{
namespace
{

constexpr double kCutoffHz = 20.0;

// One low-pass section of the bilinear transform (RBJ cookbook form).
LevelMeters::Section designLowPass(double sampleRate, double q)
{
    const double w0 = 2.0 * M_PI * kCutoffHz / sampleRate;
    const double alpha = std::sin(w0) / (2.0 * q);
    const double cosw = std::cos(w0);
    const double a0 = 1.0 + alpha;
    const double b0 = (1.0 - cosw) / 2.0 / a0;
    return {b0, (1.0 - cosw) / a0, b0, -2.0 * cosw / a0, (1.0 - alpha) / a0};
}

using Lanes = double __attribute__((vector_size(LevelMeters::kLanes * sizeof(double))));

// By reference: a 32-byte vector passed by value would change the calling
// convention between the AVX and the plain build of the loop.
inline __attribute__((always_inline)) void load(Lanes& v, const double* lanes)
{
    std::copy(lanes, lanes + LevelMeters::kLanes, reinterpret_cast<double*>(&v));
}

inline __attribute__((always_inline)) void store(double* lanes, const Lanes& v)
{
    const auto* values = reinterpret_cast<const double*>(&v);
    std::copy(values, values + LevelMeters::kLanes, lanes);
}

// Direct form I: the feed-forward terms and the older feedback term do not
// wait for the previous output, so each sample's dependency chain is one
// multiply and one subtraction per section. The low-pass poles sit close to
// z = 1, where this form in double precision loses nothing measurable.
inline __attribute__((always_inline)) void runGroup(const LevelMeters::Section& s1,
                                                    const LevelMeters::Section& s2,
                                                    const float* const* in, std::int64_t n,
                                                    LevelMeters::Group& g)
{
    Lanes sum, squares, x1, x2, u1, u2, v1, v2;
    load(sum, g.sum);
    load(squares, g.lowSquares);
    load(x1, g.x1);
    load(x2, g.x2);
    load(u1, g.u1);
    load(u2, g.u2);
    load(v1, g.v1);
    load(v2, g.v2);
    const float* in0 = in[0];
    const float* in1 = in[1];
    const float* in2 = in[2];
    const float* in3 = in[3];
    for (std::int64_t i = 0; i < n; ++i)
    {
        const Lanes x = {in0[i], in1[i], in2[i], in3[i]};
        sum += x;
        const Lanes u = (s1.b0 * x + s1.b1 * x1 + s1.b2 * x2 - s1.a2 * u2) - s1.a1 * u1;
        const Lanes v = (s2.b0 * u + s2.b1 * u1 + s2.b2 * u2 - s2.a2 * v2) - s2.a1 * v1;
        squares += v * v;
        x2 = x1;
        x1 = x;
        u2 = u1;
        u1 = u;
        v2 = v1;
        v1 = v;
    }
    store(g.sum, sum);
    store(g.lowSquares, squares);
    store(g.x1, x1);
    store(g.x2, x2);
    store(g.u1, u1);
    store(g.u2, u2);
    store(g.v1, v1);
    store(g.v2, v2);
}

// The same loop with the four lanes in one AVX register instead of two SSE2
// ones; never FMA, so both give the same figures.
__attribute__((target("avx"))) void runGroupAvx(const LevelMeters::Section& s1,
                                                const LevelMeters::Section& s2,
                                                const float* const* in, std::int64_t n,
                                                LevelMeters::Group& g)
{
    runGroup(s1, s2, in, n, g);
}

void runGroupSse2(const LevelMeters::Section& s1, const LevelMeters::Section& s2,
                  const float* const* in, std::int64_t n, LevelMeters::Group& g)
{
    runGroup(s1, s2, in, n, g);
}

} // namespace

LevelMeters::LevelMeters(double sampleRate, int numChannels)
    : channelCount(std::max(numChannels, 0)),
      groups(static_cast<size_t>((channelCount + kLanes - 1) / kLanes)),
      useAvx(__builtin_cpu_supports("avx"))
{
    // The two pole-pair Qs of a 4th-order Butterworth response.
    first = designLowPass(sampleRate, 1.0 / (2.0 * std::cos(M_PI / 8.0)));
    second = designLowPass(sampleRate, 1.0 / (2.0 * std::cos(3.0 * M_PI / 8.0)));
}

void LevelMeters::add(const float* const* channels, std::int64_t frames)
{
    if (frames <= 0)
        return;
    for (size_t g = 0; g < groups.size(); ++g)
    {
        // A group short of channels repeats its last one in the spare lanes,
        // whose results are never read.
        const float* lanes[kLanes];
        for (int lane = 0; lane < kLanes; ++lane)
            lanes[lane] = channels[std::min(static_cast<int>(g) * kLanes + lane, channelCount - 1)];
        if (useAvx)
            runGroupAvx(first, second, lanes, frames, groups[g]);
        else
            runGroupSse2(first, second, lanes, frames, groups[g]);
    }
    numFrames += frames;
}

double LevelMeters::dcOffset(int channel) const
{
    if (numFrames == 0 || channel < 0 || channel >= channelCount)
        return 0.0;
    const Group& g = groups[static_cast<size_t>(channel / kLanes)];
    return g.sum[channel % kLanes] / static_cast<double>(numFrames);
}

double LevelMeters::lowBandDb(int channel) const
{
    const double silence = -std::numeric_limits<double>::infinity();
    if (numFrames == 0 || channel < 0 || channel >= channelCount)
        return silence;
    const double squares =
        groups[static_cast<size_t>(channel / kLanes)].lowSquares[channel % kLanes];
    if (!(squares > 0.0))
        return silence;
    return 10.0 * std::log10(squares / static_cast<double>(numFrames));
}

} // namespace KestrumTool
