#include "levelmeter.h"

#include <algorithm>
#include <cmath>
#include <immintrin.h>
#include <limits>

namespace KestrumTool
{
namespace
{

constexpr double kCutoffHz = 20.0;

// One low-pass section of the bilinear transform (RBJ cookbook form). Its
// feed-forward coefficients are gain * (1, 2, 1).
LevelMeters::Section designLowPass(double sampleRate, double q)
{
    const double w0 = 2.0 * M_PI * kCutoffHz / sampleRate;
    const double alpha = std::sin(w0) / (2.0 * q);
    const double cosw = std::cos(w0);
    const double a0 = 1.0 + alpha;
    return {(1.0 - cosw) / 2.0 / a0, -2.0 * cosw / a0, (1.0 - alpha) / a0};
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

using Floats = float __attribute__((vector_size(4 * sizeof(float))));
using Indices = int __attribute__((vector_size(4 * sizeof(int))));

struct Registers
{
    Lanes sum, squares, x1, x2, u1, u2, v1, v2;
};

// Direct form I: the feed-forward terms and the older feedback term do not
// wait for the previous output, so each sample's dependency chain is one
// multiply and one subtraction per section. The sections run without their
// gains (applied to the sum of squares at the end), which leaves two
// coefficients each and keeps every register of the loop in a vector
// register. The low-pass poles sit close to z = 1, where this form in double
// precision loses nothing measurable.
inline __attribute__((always_inline)) void step(const Lanes& a1, const Lanes& a2, const Lanes& c1,
                                                const Lanes& c2, const Floats& in, Registers& r)
{
    const Lanes x = __builtin_convertvector(in, Lanes);
    r.sum += x;
    const Lanes u = ((x + r.x2) + (r.x1 + r.x1) - a2 * r.u2) - a1 * r.u1;
    const Lanes v = ((u + r.u2) + (r.u1 + r.u1) - c2 * r.v2) - c1 * r.v1;
    r.squares += v * v;
    r.x2 = r.x1;
    r.x1 = x;
    r.u2 = r.u1;
    r.u1 = u;
    r.v2 = r.v1;
    r.v1 = v;
}

inline __attribute__((always_inline)) void loadFour(const float* samples, Floats& v)
{
    std::copy(samples, samples + 4, reinterpret_cast<float*>(&v));
}

inline __attribute__((always_inline)) void runGroup(const LevelMeters::Section& s1,
                                                    const LevelMeters::Section& s2,
                                                    const float* const* in, std::int64_t n,
                                                    LevelMeters::Group& g)
{
    Registers r;
    load(r.sum, g.sum);
    load(r.squares, g.lowSquares);
    load(r.x1, g.x1);
    load(r.x2, g.x2);
    load(r.u1, g.u1);
    load(r.u2, g.u2);
    load(r.v1, g.v1);
    load(r.v2, g.v2);
    Lanes a1, a2, c1, c2;
    for (int lane = 0; lane < LevelMeters::kLanes; ++lane)
    {
        a1[lane] = s1.a1;
        a2[lane] = s1.a2;
        c1[lane] = s2.a1;
        c2[lane] = s2.a2;
    }
    std::int64_t i = 0;
    for (; i + 4 <= n; i += 4)
    {
        // Four samples of each channel, transposed into four frames of lanes.
        Floats a, b, c, d;
        loadFour(in[0] + i, a);
        loadFour(in[1] + i, b);
        loadFour(in[2] + i, c);
        loadFour(in[3] + i, d);
        const Floats ab01 = __builtin_shuffle(a, b, Indices{0, 4, 1, 5});
        const Floats cd01 = __builtin_shuffle(c, d, Indices{0, 4, 1, 5});
        const Floats ab23 = __builtin_shuffle(a, b, Indices{2, 6, 3, 7});
        const Floats cd23 = __builtin_shuffle(c, d, Indices{2, 6, 3, 7});
        step(a1, a2, c1, c2, __builtin_shuffle(ab01, cd01, Indices{0, 1, 4, 5}), r);
        step(a1, a2, c1, c2, __builtin_shuffle(ab01, cd01, Indices{2, 3, 6, 7}), r);
        step(a1, a2, c1, c2, __builtin_shuffle(ab23, cd23, Indices{0, 1, 4, 5}), r);
        step(a1, a2, c1, c2, __builtin_shuffle(ab23, cd23, Indices{2, 3, 6, 7}), r);
    }
    for (; i < n; ++i)
        step(a1, a2, c1, c2, Floats{in[0][i], in[1][i], in[2][i], in[3][i]}, r);
    store(g.sum, r.sum);
    store(g.lowSquares, r.squares);
    store(g.x1, r.x1);
    store(g.x2, r.x2);
    store(g.u1, r.u1);
    store(g.u2, r.u2);
    store(g.v1, r.v1);
    store(g.v2, r.v2);
}

// The same loop with the four lanes in one AVX register instead of two SSE2
// ones.
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

// With fused multiply-adds each section's dependency chain is a single
// instruction and the loop half as long. The figures differ from the other
// kernels only in the last bits.
struct FmaRegisters
{
    __m256d sum, squares, x1, x2, u1, u2, v1, v2;
    __m256d a1, a2, c1, c2, two;
};

#define KESTRUM_FMA __attribute__((target("avx2,fma")))

KESTRUM_FMA inline __attribute__((always_inline)) void stepFma(const __m128& in, FmaRegisters& r)
{
    const __m256d x = _mm256_cvtps_pd(in);
    r.sum = _mm256_add_pd(r.sum, x);
    const __m256d uIn = _mm256_fmadd_pd(r.two, r.x1, _mm256_add_pd(x, r.x2));
    const __m256d u = _mm256_fnmadd_pd(r.a1, r.u1, _mm256_fnmadd_pd(r.a2, r.u2, uIn));
    const __m256d vIn = _mm256_fmadd_pd(r.two, r.u1, _mm256_add_pd(u, r.u2));
    const __m256d v = _mm256_fnmadd_pd(r.c1, r.v1, _mm256_fnmadd_pd(r.c2, r.v2, vIn));
    r.squares = _mm256_fmadd_pd(v, v, r.squares);
    r.x2 = r.x1;
    r.x1 = x;
    r.u2 = r.u1;
    r.u1 = u;
    r.v2 = r.v1;
    r.v1 = v;
}

KESTRUM_FMA void runGroupFma(const LevelMeters::Section& s1, const LevelMeters::Section& s2,
                             const float* const* in, std::int64_t n, LevelMeters::Group& g)
{
    FmaRegisters r;
    r.sum = _mm256_load_pd(g.sum);
    r.squares = _mm256_load_pd(g.lowSquares);
    r.x1 = _mm256_load_pd(g.x1);
    r.x2 = _mm256_load_pd(g.x2);
    r.u1 = _mm256_load_pd(g.u1);
    r.u2 = _mm256_load_pd(g.u2);
    r.v1 = _mm256_load_pd(g.v1);
    r.v2 = _mm256_load_pd(g.v2);
    r.a1 = _mm256_set1_pd(s1.a1);
    r.a2 = _mm256_set1_pd(s1.a2);
    r.c1 = _mm256_set1_pd(s2.a1);
    r.c2 = _mm256_set1_pd(s2.a2);
    r.two = _mm256_set1_pd(2.0);
    std::int64_t i = 0;
    for (; i + 4 <= n; i += 4)
    {
        __m128 f0 = _mm_loadu_ps(in[0] + i), f1 = _mm_loadu_ps(in[1] + i);
        __m128 f2 = _mm_loadu_ps(in[2] + i), f3 = _mm_loadu_ps(in[3] + i);
        _MM_TRANSPOSE4_PS(f0, f1, f2, f3);
        stepFma(f0, r);
        stepFma(f1, r);
        stepFma(f2, r);
        stepFma(f3, r);
    }
    for (; i < n; ++i)
        stepFma(_mm_setr_ps(in[0][i], in[1][i], in[2][i], in[3][i]), r);
    _mm256_store_pd(g.sum, r.sum);
    _mm256_store_pd(g.lowSquares, r.squares);
    _mm256_store_pd(g.x1, r.x1);
    _mm256_store_pd(g.x2, r.x2);
    _mm256_store_pd(g.u1, r.u1);
    _mm256_store_pd(g.u2, r.u2);
    _mm256_store_pd(g.v1, r.v1);
    _mm256_store_pd(g.v2, r.v2);
}

} // namespace

LevelMeters::Kernel LevelMeters::bestKernel()
{
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
        return Kernel::kFma;
    if (__builtin_cpu_supports("avx"))
        return Kernel::kAvx;
    return Kernel::kSse2;
}

LevelMeters::LevelMeters(double sampleRate, int numChannels, Kernel loop)
    : channelCount(std::max(numChannels, 0)),
      groups(static_cast<size_t>((channelCount + kLanes - 1) / kLanes)), kernel(loop)
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
        switch (kernel)
        {
        case Kernel::kFma:
            runGroupFma(first, second, lanes, frames, groups[g]);
            break;
        case Kernel::kAvx:
            runGroupAvx(first, second, lanes, frames, groups[g]);
            break;
        case Kernel::kSse2:
            runGroupSse2(first, second, lanes, frames, groups[g]);
            break;
        }
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
    const double gain = first.gain * second.gain;
    return 10.0 * std::log10(squares * gain * gain / static_cast<double>(numFrames));
}

} // namespace KestrumTool
