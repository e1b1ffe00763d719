#include "processor/filterkernels.h"

#include <cmath>
#include <immintrin.h>

// Functions built for AVX without making the whole file require it; only
// reached after the run-time check. Never FMA: fused results would differ.
#define KESTRUM_AVX __attribute__((target("avx")))

namespace Kestrum
{

namespace
{

// ---- one channel -----------------------------------------------------------

template <bool kWrite>
void runOne(const FilterCoefficients& c, const float* in, float* out, std::int32_t n, double& s0Ref,
            double& s1Ref, double& s2Ref)
{
    double s0 = s0Ref, s1 = s1Ref, s2 = s2Ref;
    for (std::int32_t i = 0; i < n; ++i)
    {
        float x = in[i];
        if (std::fabs(x) < kDenormalFloor)
            x = kDenormalFloor;
        const double xd = x;
        const double y = c.b0 * xd + s0;
        s0 = (c.b1 * xd - c.a1 * y) + s1;
        s1 = (c.b2 * xd - c.a2 * y) + s2;
        s2 = c.b3 * xd - c.a3 * y;
        if (kWrite)
            out[i] = static_cast<float>(y);
    }
    s0Ref = s0;
    s1Ref = s1;
    s2Ref = s2;
}

// ---- two channels, SSE2 -------------------------------------------------------

struct Sse2Coefficients
{
    __m128d b0, b1, b2, b3, a1, a2, a3;
    explicit Sse2Coefficients(const FilterCoefficients& c)
        : b0(_mm_set1_pd(c.b0)), b1(_mm_set1_pd(c.b1)), b2(_mm_set1_pd(c.b2)),
          b3(_mm_set1_pd(c.b3)), a1(_mm_set1_pd(c.a1)), a2(_mm_set1_pd(c.a2)), a3(_mm_set1_pd(c.a3))
    {
    }
};

inline __m128 floorSse2(__m128 x)
{
    const __m128 floorValue = _mm_set1_ps(kDenormalFloor);
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), x);
    const __m128 tiny = _mm_cmplt_ps(magnitude, floorValue); // false for NaN
    return _mm_or_ps(_mm_and_ps(tiny, floorValue), _mm_andnot_ps(tiny, x));
}

inline __m128d stepSse2(const Sse2Coefficients& c, __m128d x, __m128d& s0, __m128d& s1, __m128d& s2)
{
    const __m128d y = _mm_add_pd(_mm_mul_pd(c.b0, x), s0);
    s0 = _mm_add_pd(_mm_sub_pd(_mm_mul_pd(c.b1, x), _mm_mul_pd(c.a1, y)), s1);
    s1 = _mm_add_pd(_mm_sub_pd(_mm_mul_pd(c.b2, x), _mm_mul_pd(c.a2, y)), s2);
    s2 = _mm_sub_pd(_mm_mul_pd(c.b3, x), _mm_mul_pd(c.a3, y));
    return y;
}

template <bool kWrite>
void runPair(const FilterCoefficients& coefficients, const float* const* in, float* const* out,
             std::int32_t n, double* s0Lanes, double* s1Lanes, double* s2Lanes)
{
    const Sse2Coefficients c(coefficients);
    __m128d s0 = _mm_load_pd(s0Lanes), s1 = _mm_load_pd(s1Lanes), s2 = _mm_load_pd(s2Lanes);
    const float* in0 = in[0];
    const float* in1 = in[1];
    std::int32_t i = 0;
    for (; i + 4 <= n; i += 4)
    {
        const __m128 a = floorSse2(_mm_loadu_ps(in0 + i));
        const __m128 b = floorSse2(_mm_loadu_ps(in1 + i));
        const __m128 lo = _mm_unpacklo_ps(a, b); // a0 b0 a1 b1
        const __m128 hi = _mm_unpackhi_ps(a, b); // a2 b2 a3 b3
        const __m128 y0 = _mm_cvtpd_ps(stepSse2(c, _mm_cvtps_pd(lo), s0, s1, s2));
        const __m128 y1 =
            _mm_cvtpd_ps(stepSse2(c, _mm_cvtps_pd(_mm_movehl_ps(lo, lo)), s0, s1, s2));
        const __m128 y2 = _mm_cvtpd_ps(stepSse2(c, _mm_cvtps_pd(hi), s0, s1, s2));
        const __m128 y3 =
            _mm_cvtpd_ps(stepSse2(c, _mm_cvtps_pd(_mm_movehl_ps(hi, hi)), s0, s1, s2));
        if (kWrite)
        {
            const __m128 y01 = _mm_movelh_ps(y0, y1); // ya0 yb0 ya1 yb1
            const __m128 y23 = _mm_movelh_ps(y2, y3);
            _mm_storeu_ps(out[0] + i, _mm_shuffle_ps(y01, y23, _MM_SHUFFLE(2, 0, 2, 0)));
            _mm_storeu_ps(out[1] + i, _mm_shuffle_ps(y01, y23, _MM_SHUFFLE(3, 1, 3, 1)));
        }
    }
    for (; i < n; ++i)
    {
        const __m128 x = floorSse2(_mm_setr_ps(in0[i], in1[i], 0.0f, 0.0f));
        const __m128 y = _mm_cvtpd_ps(stepSse2(c, _mm_cvtps_pd(x), s0, s1, s2));
        if (kWrite)
        {
            alignas(16) float lanes[4];
            _mm_store_ps(lanes, y);
            out[0][i] = lanes[0];
            out[1][i] = lanes[1];
        }
    }
    _mm_store_pd(s0Lanes, s0);
    _mm_store_pd(s1Lanes, s1);
    _mm_store_pd(s2Lanes, s2);
}

// ---- four channels per vector, AVX; kGroups vectors interleaved -----------------

struct AvxCoefficients
{
    __m256d b0, b1, b2, b3, a1, a2, a3;
};

KESTRUM_AVX inline AvxCoefficients broadcastAvx(const FilterCoefficients& c)
{
    return {_mm256_set1_pd(c.b0), _mm256_set1_pd(c.b1), _mm256_set1_pd(c.b2), _mm256_set1_pd(c.b3),
            _mm256_set1_pd(c.a1), _mm256_set1_pd(c.a2), _mm256_set1_pd(c.a3)};
}

KESTRUM_AVX inline __m128 floorAvx(__m128 x)
{
    const __m128 floorValue = _mm_set1_ps(kDenormalFloor);
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), x);
    return _mm_blendv_ps(x, floorValue, _mm_cmplt_ps(magnitude, floorValue)); // NaN stays
}

KESTRUM_AVX inline __m128 stepAvx(const AvxCoefficients& c, __m128 xf, __m256d& s0, __m256d& s1,
                                  __m256d& s2)
{
    const __m256d x = _mm256_cvtps_pd(floorAvx(xf));
    const __m256d y = _mm256_add_pd(_mm256_mul_pd(c.b0, x), s0);
    s0 = _mm256_add_pd(_mm256_sub_pd(_mm256_mul_pd(c.b1, x), _mm256_mul_pd(c.a1, y)), s1);
    s1 = _mm256_add_pd(_mm256_sub_pd(_mm256_mul_pd(c.b2, x), _mm256_mul_pd(c.a2, y)), s2);
    s2 = _mm256_sub_pd(_mm256_mul_pd(c.b3, x), _mm256_mul_pd(c.a3, y));
    return _mm256_cvtpd_ps(y);
}

template <bool kWrite, int kGroups>
KESTRUM_AVX void runGroupsAvx(const FilterCoefficients& coefficients, const float* const* in,
                              float* const* out, std::int32_t n, RegisterGroup* groups)
{
    const AvxCoefficients c = broadcastAvx(coefficients);
    __m256d s0[kGroups], s1[kGroups], s2[kGroups];
    for (int g = 0; g < kGroups; ++g)
    {
        s0[g] = _mm256_load_pd(groups[g].s0);
        s1[g] = _mm256_load_pd(groups[g].s1);
        s2[g] = _mm256_load_pd(groups[g].s2);
    }
    std::int32_t i = 0;
    for (; i + 4 <= n; i += 4)
    {
        for (int g = 0; g < kGroups; ++g)
        {
            // Four samples of four channels, transposed into four samples'
            // worth of lanes.
            const float* const* gin = in + g * kLanesPerGroup;
            __m128 r0 = _mm_loadu_ps(gin[0] + i), r1 = _mm_loadu_ps(gin[1] + i);
            __m128 r2 = _mm_loadu_ps(gin[2] + i), r3 = _mm_loadu_ps(gin[3] + i);
            _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
            r0 = stepAvx(c, r0, s0[g], s1[g], s2[g]);
            r1 = stepAvx(c, r1, s0[g], s1[g], s2[g]);
            r2 = stepAvx(c, r2, s0[g], s1[g], s2[g]);
            r3 = stepAvx(c, r3, s0[g], s1[g], s2[g]);
            if (kWrite)
            {
                _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
                float* const* gout = out + g * kLanesPerGroup;
                _mm_storeu_ps(gout[0] + i, r0);
                _mm_storeu_ps(gout[1] + i, r1);
                _mm_storeu_ps(gout[2] + i, r2);
                _mm_storeu_ps(gout[3] + i, r3);
            }
        }
    }
    for (; i < n; ++i)
    {
        for (int g = 0; g < kGroups; ++g)
        {
            const float* const* gin = in + g * kLanesPerGroup;
            const __m128 x = _mm_setr_ps(gin[0][i], gin[1][i], gin[2][i], gin[3][i]);
            const __m128 y = stepAvx(c, x, s0[g], s1[g], s2[g]);
            if (kWrite)
            {
                alignas(16) float lanes[kLanesPerGroup];
                _mm_store_ps(lanes, y);
                float* const* gout = out + g * kLanesPerGroup;
                for (int lane = 0; lane < kLanesPerGroup; ++lane)
                    gout[lane][i] = lanes[lane];
            }
        }
    }
    for (int g = 0; g < kGroups; ++g)
    {
        _mm256_store_pd(groups[g].s0, s0[g]);
        _mm256_store_pd(groups[g].s1, s1[g]);
        _mm256_store_pd(groups[g].s2, s2[g]);
    }
}

// ---- dispatch ----------------------------------------------------------------

template <bool kWrite>
void run(InstructionSet set, const FilterCoefficients& c, const float* const* in, float* const* out,
         std::int32_t n, std::int32_t numChannels, RegisterGroup* groups)
{
    std::int32_t ch = 0;
    if (set == InstructionSet::kAvx)
    {
        // Two vectors in flight hide the latency of the recursive chain.
        for (; ch + 2 * kLanesPerGroup <= numChannels; ch += 2 * kLanesPerGroup)
            runGroupsAvx<kWrite, 2>(c, in + ch, kWrite ? out + ch : nullptr, n,
                                    groups + ch / kLanesPerGroup);
        if (ch + kLanesPerGroup <= numChannels)
        {
            runGroupsAvx<kWrite, 1>(c, in + ch, kWrite ? out + ch : nullptr, n,
                                    groups + ch / kLanesPerGroup);
            ch += kLanesPerGroup;
        }
    }
    if (set != InstructionSet::kScalar)
    {
        for (; ch + 2 <= numChannels; ch += 2)
        {
            RegisterGroup& g = groups[ch / kLanesPerGroup];
            const int lane = ch % kLanesPerGroup; // 0 or 2: 16-byte aligned
            runPair<kWrite>(c, in + ch, kWrite ? out + ch : nullptr, n, g.s0 + lane, g.s1 + lane,
                            g.s2 + lane);
        }
    }
    for (; ch < numChannels; ++ch)
    {
        RegisterGroup& g = groups[ch / kLanesPerGroup];
        const int lane = ch % kLanesPerGroup;
        runOne<kWrite>(c, in[ch], kWrite ? out[ch] : nullptr, n, g.s0[lane], g.s1[lane],
                       g.s2[lane]);
    }
}

} // namespace

InstructionSet bestInstructionSet()
{
    if (__builtin_cpu_supports("avx"))
        return InstructionSet::kAvx;
    return InstructionSet::kSse2; // part of every x86-64 CPU
}

void filterChannels(InstructionSet set, const FilterCoefficients& c, const float* const* inputs,
                    float* const* outputs, std::int32_t numSamples, std::int32_t numChannels,
                    RegisterGroup* groups)
{
    if (outputs)
        run<true>(set, c, inputs, outputs, numSamples, numChannels, groups);
    else
        run<false>(set, c, inputs, outputs, numSamples, numChannels, groups);
}

} // namespace Kestrum
