#include "pcmconvert.h"

#include <cstring>
#include <immintrin.h>
#include <sndfile.h>

// Byte shuffles need SSSE3; those functions are built for it without making
// the whole file require it, and are reached only after the run-time check.
#define KESTRUM_SSSE3 __attribute__((target("ssse3")))

namespace KestrumTool
{
namespace
{

constexpr float kFromInt32 = 1.0f / 2147483648.0f;
constexpr float kToInt32 = 2147483648.0f;

// libsndfile's clipping conversion: scale to the 32-bit range, clip at full
// scale, otherwise round to nearest (cvtss2si, as its lrintf); NaN converts
// to the most negative value, as the instruction gives it.
inline std::int32_t scaleClipped(float x)
{
    const float scaled = x * kToInt32;
    if (scaled >= kToInt32)
        return INT32_MAX;
    return _mm_cvtss_si32(_mm_set_ss(scaled));
}

// The same for four samples; cvtps2dq gives INT32_MIN beyond either end, and
// flipping its bits where the input reached full scale gives INT32_MAX.
inline __m128i scaleClipped4(__m128 x)
{
    const __m128 scaled = _mm_mul_ps(x, _mm_set1_ps(kToInt32));
    const __m128i full = _mm_castps_si128(_mm_cmpge_ps(scaled, _mm_set1_ps(kToInt32)));
    return _mm_xor_si128(_mm_cvtps_epi32(scaled), full);
}

inline std::int32_t readInt24(const unsigned char* in)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(in[0]) << 8 |
                                     static_cast<std::uint32_t>(in[1]) << 16 |
                                     static_cast<std::uint32_t>(in[2]) << 24);
}

// Samples left over after the vector loops, and the whole job on CPUs
// without SSSE3.
void decodeTail(PcmFormat format, const unsigned char* bytes, std::int64_t from, std::int64_t count,
                float* samples)
{
    for (std::int64_t i = from; i < count; ++i)
    {
        if (format == PcmFormat::kUInt8)
        {
            const auto value =
                static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[i] ^ 0x80u) << 24);
            samples[i] = static_cast<float>(value) * kFromInt32;
        }
        else if (format == PcmFormat::kInt32)
        {
            std::int32_t value = 0;
            std::memcpy(&value, bytes + 4 * i, 4);
            samples[i] = static_cast<float>(value) * kFromInt32;
        }
        else if (format == PcmFormat::kFloat64)
        {
            double value = 0;
            std::memcpy(&value, bytes + 8 * i, 8);
            samples[i] = static_cast<float>(value);
        }
        else if (format == PcmFormat::kInt16)
        {
            const unsigned char* in = bytes + 2 * i;
            const auto value = static_cast<std::int32_t>(static_cast<std::uint32_t>(in[0]) << 16 |
                                                         static_cast<std::uint32_t>(in[1]) << 24);
            samples[i] = static_cast<float>(value) * kFromInt32;
        }
        else
            samples[i] = static_cast<float>(readInt24(bytes + 3 * i)) * kFromInt32;
    }
}

void encodeTail(PcmFormat format, const float* samples, std::int64_t from, std::int64_t count,
                unsigned char* bytes)
{
    if (format == PcmFormat::kFloat64)
    {
        for (std::int64_t i = from; i < count; ++i)
        {
            const double value = samples[i];
            std::memcpy(bytes + 8 * i, &value, 8);
        }
        return;
    }
    if (format == PcmFormat::kUInt8)
    {
        for (std::int64_t i = from; i < count; ++i)
            bytes[i] = static_cast<unsigned char>(
                (static_cast<std::uint32_t>(scaleClipped(samples[i])) >> 24) ^ 0x80u);
        return;
    }
    const int width = bytesPerSample(format);
    for (std::int64_t i = from; i < count; ++i)
    {
        const auto value = static_cast<std::uint32_t>(scaleClipped(samples[i]));
        unsigned char* out = bytes + width * i;
        for (int b = 0; b < width; ++b)
            out[b] = static_cast<unsigned char>(value >> (8 * (4 - width + b)));
    }
}

// 16-bit needs only SSE2, part of every x86-64 CPU.
std::int64_t decodeInt16(const unsigned char* bytes, std::int64_t count, float* samples)
{
    std::int64_t i = 0;
    const __m128 scale = _mm_set1_ps(kFromInt32);
    for (; i + 8 <= count; i += 8)
    {
        const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 2 * i));
        const __m128i lo = _mm_unpacklo_epi16(_mm_setzero_si128(), in);
        const __m128i hi = _mm_unpackhi_epi16(_mm_setzero_si128(), in);
        _mm_storeu_ps(samples + i, _mm_mul_ps(_mm_cvtepi32_ps(lo), scale));
        _mm_storeu_ps(samples + i + 4, _mm_mul_ps(_mm_cvtepi32_ps(hi), scale));
    }
    return i;
}

std::int64_t encodeInt16(const float* samples, std::int64_t count, unsigned char* bytes)
{
    std::int64_t i = 0;
    for (; i + 8 <= count; i += 8)
    {
        const __m128i lo = _mm_srai_epi32(scaleClipped4(_mm_loadu_ps(samples + i)), 16);
        const __m128i hi = _mm_srai_epi32(scaleClipped4(_mm_loadu_ps(samples + i + 4)), 16);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + 2 * i), _mm_packs_epi32(lo, hi));
    }
    return i;
}

// Four 24-bit samples per 16-byte load or store; the loops stop early
// enough that the 4 bytes beyond the 12 used stay inside the buffer.
KESTRUM_SSSE3 std::int64_t decodeInt24(const unsigned char* bytes, std::int64_t count,
                                       float* samples)
{
    const __m128i spread = _mm_setr_epi8(-1, 0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11);
    const __m128 scale = _mm_set1_ps(kFromInt32);
    std::int64_t i = 0;
    for (; i + 6 <= count; i += 4)
    {
        const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 3 * i));
        const __m128i values = _mm_shuffle_epi8(in, spread);
        _mm_storeu_ps(samples + i, _mm_mul_ps(_mm_cvtepi32_ps(values), scale));
    }
    return i;
}

KESTRUM_SSSE3 std::int64_t encodeInt24(const float* samples, std::int64_t count,
                                       unsigned char* bytes)
{
    const __m128i pack = _mm_setr_epi8(1, 2, 3, 5, 6, 7, 9, 10, 11, 13, 14, 15, -1, -1, -1, -1);
    std::int64_t i = 0;
    for (; i + 6 <= count; i += 4)
    {
        const __m128i values = scaleClipped4(_mm_loadu_ps(samples + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + 3 * i), _mm_shuffle_epi8(values, pack));
    }
    return i;
}

const bool kHasSsse3 = __builtin_cpu_supports("ssse3");

} // namespace

PcmFormat pcmFormatFor(int sndfileFormat)
{
    switch (sndfileFormat & SF_FORMAT_SUBMASK)
    {
    case SF_FORMAT_PCM_16:
        return PcmFormat::kInt16;
    case SF_FORMAT_PCM_24:
        return PcmFormat::kInt24;
    case SF_FORMAT_FLOAT:
        return PcmFormat::kFloat32;
    case SF_FORMAT_PCM_U8:
        return PcmFormat::kUInt8;
    case SF_FORMAT_PCM_32:
        return PcmFormat::kInt32;
    case SF_FORMAT_DOUBLE:
        return PcmFormat::kFloat64;
    default:
        return PcmFormat::kNone;
    }
}

int sndfileSubformatFor(PcmFormat format)
{
    switch (format)
    {
    case PcmFormat::kInt16:
        return SF_FORMAT_PCM_16;
    case PcmFormat::kInt24:
        return SF_FORMAT_PCM_24;
    case PcmFormat::kFloat32:
        return SF_FORMAT_FLOAT;
    case PcmFormat::kUInt8:
        return SF_FORMAT_PCM_U8;
    case PcmFormat::kInt32:
        return SF_FORMAT_PCM_32;
    case PcmFormat::kFloat64:
        return SF_FORMAT_DOUBLE;
    case PcmFormat::kNone:
        break;
    }
    return 0;
}

int bytesPerSample(PcmFormat format)
{
    switch (format)
    {
    case PcmFormat::kInt16:
        return 2;
    case PcmFormat::kInt24:
        return 3;
    case PcmFormat::kFloat32:
    case PcmFormat::kInt32:
        return 4;
    case PcmFormat::kUInt8:
        return 1;
    case PcmFormat::kFloat64:
        return 8;
    case PcmFormat::kNone:
        break;
    }
    return 0;
}

void decodeSamples(PcmFormat format, const unsigned char* bytes, std::int64_t count, float* samples)
{
    switch (format)
    {
    case PcmFormat::kInt16:
        decodeTail(format, bytes, decodeInt16(bytes, count, samples), count, samples);
        break;
    case PcmFormat::kInt24:
        decodeTail(format, bytes, kHasSsse3 ? decodeInt24(bytes, count, samples) : 0, count,
                   samples);
        break;
    case PcmFormat::kFloat32:
        std::memcpy(samples, bytes, static_cast<size_t>(count) * sizeof(float));
        break;
    case PcmFormat::kUInt8:
    case PcmFormat::kInt32:
    case PcmFormat::kFloat64:
        decodeTail(format, bytes, 0, count, samples);
        break;
    case PcmFormat::kNone:
        break;
    }
}

void encodeSamples(PcmFormat format, const float* samples, std::int64_t count, unsigned char* bytes)
{
    switch (format)
    {
    case PcmFormat::kInt16:
        encodeTail(format, samples, encodeInt16(samples, count, bytes), count, bytes);
        break;
    case PcmFormat::kInt24:
        encodeTail(format, samples, kHasSsse3 ? encodeInt24(samples, count, bytes) : 0, count,
                   bytes);
        break;
    case PcmFormat::kFloat32:
        std::memcpy(bytes, samples, static_cast<size_t>(count) * sizeof(float));
        break;
    case PcmFormat::kUInt8:
    case PcmFormat::kInt32:
    case PcmFormat::kFloat64:
        encodeTail(format, samples, 0, count, bytes);
        break;
    case PcmFormat::kNone:
        break;
    }
}

void decodeInt32(const std::int32_t* values, std::int64_t count, float* samples)
{
    std::int64_t i = 0;
    const __m128 scale = _mm_set1_ps(kFromInt32);
    for (; i + 4 <= count; i += 4)
    {
        const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + i));
        _mm_storeu_ps(samples + i, _mm_mul_ps(_mm_cvtepi32_ps(in), scale));
    }
    for (; i < count; ++i)
        samples[i] = static_cast<float>(values[i]) * kFromInt32;
}

void encodeFlacInt(const float* samples, std::int64_t count, int bits, std::int32_t* values)
{
    const int shift = 32 - bits;
    const float scale = static_cast<float>(1 << (bits - 1));
    const std::int32_t top = (1 << (bits - 1)) - 1;
    std::int64_t i = 0;
    const __m128 scaleVector = _mm_set1_ps(scale);
    const __m128i high = _mm_set1_epi32(top);
    const __m128i low = _mm_set1_epi32(-top - 1);
    for (; i + 4 <= count; i += 4)
    {
        // Rounded, then clamped: the same as clipping first, since every
        // value from top - 0.5 up rounds to top or beyond.
        const __m128 scaled = _mm_mul_ps(_mm_loadu_ps(samples + i), scaleVector);
        __m128i v = _mm_cvtps_epi32(scaled);
        // cvtps2dq gives INT32_MIN beyond the int range in either direction.
        const __m128i positive =
            _mm_castps_si128(_mm_cmpge_ps(scaled, _mm_set1_ps(static_cast<float>(top))));
        v = _mm_or_si128(_mm_and_si128(positive, high), _mm_andnot_si128(positive, v));
        const __m128i negative = _mm_cmplt_epi32(v, low); // also NaN
        v = _mm_or_si128(_mm_and_si128(negative, low), _mm_andnot_si128(negative, v));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(values + i), _mm_slli_epi32(v, shift));
    }
    for (; i < count; ++i)
    {
        const float scaled = samples[i] * scale;
        std::int32_t v = 0;
        if (scaled >= static_cast<float>(top))
            v = top;
        else if (!(scaled > -scale)) // also NaN
            v = -top - 1;
        else
            v = _mm_cvtss_si32(_mm_set_ss(scaled));
        values[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(v) << shift);
    }
}

void deinterleave(const float* interleaved, int numChannels, std::int64_t frames,
                  float* const* channels)
{
    std::int64_t i = 0;
    if (numChannels == 2)
    {
        for (; i + 4 <= frames; i += 4)
        {
            const __m128 a = _mm_loadu_ps(interleaved + 2 * i);     // L0 R0 L1 R1
            const __m128 b = _mm_loadu_ps(interleaved + 2 * i + 4); // L2 R2 L3 R3
            _mm_storeu_ps(channels[0] + i, _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
            _mm_storeu_ps(channels[1] + i, _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
        }
    }
    for (; i < frames; ++i)
        for (int c = 0; c < numChannels; ++c)
            channels[c][i] = interleaved[i * numChannels + c];
}

void interleave(const float* const* channels, int numChannels, std::int64_t frames,
                float* interleaved)
{
    std::int64_t i = 0;
    if (numChannels == 2)
    {
        for (; i + 4 <= frames; i += 4)
        {
            const __m128 left = _mm_loadu_ps(channels[0] + i);
            const __m128 right = _mm_loadu_ps(channels[1] + i);
            _mm_storeu_ps(interleaved + 2 * i, _mm_unpacklo_ps(left, right));
            _mm_storeu_ps(interleaved + 2 * i + 4, _mm_unpackhi_ps(left, right));
        }
    }
    for (; i < frames; ++i)
        for (int c = 0; c < numChannels; ++c)
            interleaved[i * numChannels + c] = channels[c][i];
}

} // namespace KestrumTool
