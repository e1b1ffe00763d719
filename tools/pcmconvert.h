// Sample conversions of the tool's hot path, in SIMD where the CPU has it:
// little-endian WAV data straight from and to the file's bytes (libsndfile
// converts sample by sample through a small buffer, which was a quarter of
// the tool's time), and interleaved frames to and from one buffer per
// channel. Results are exactly libsndfile's.
#pragma once

#include <cstdint>

namespace KestrumTool
{

enum class PcmFormat
{
    kNone, // not converted here: libsndfile's float interface instead
    kInt16,
    kInt24,
    kFloat32,
    // Converted here one sample at a time (rare in recordings): WAV files
    // only, which libsndfile's float interface reads the same way.
    kUInt8,
    kInt32,
    kFloat64,
};

// The format for a libsndfile subformat, kNone for all others, and back
// (0 for kNone).
PcmFormat pcmFormatFor(int sndfileFormat);
int sndfileSubformatFor(PcmFormat format);
int bytesPerSample(PcmFormat format);

// File bytes to floats, as libsndfile reads them (full scale is 1.0).
void decodeSamples(PcmFormat format, const unsigned char* bytes, std::int64_t count,
                   float* samples);

// Floats to integer file bytes, as libsndfile writes them with clipping on:
// rounded at 32-bit resolution and then truncated to the file's width, full
// scale and beyond clipped, NaN the most negative value. Float formats are
// stored as they are (kFloat64 widened).
void encodeSamples(PcmFormat format, const float* samples, std::int64_t count,
                   unsigned char* bytes);

// Integers with the sample in the top bits (libsndfile's int interface) to
// floats, as libsndfile's float interface gives them.
void decodeInt32(const std::int32_t* values, std::int64_t count, float* samples);

// Floats to 16- or 24-bit integers in the top bits, as libsndfile's FLAC
// writer converts them: rounded to nearest at the file's resolution and
// clipped to its range (unlike its WAV writer, which truncates). NaN gives
// the most negative value, as in WAV files, where libsndfile would hand the
// encoder a value out of range.
void encodeFlacInt(const float* samples, std::int64_t count, int bits, std::int32_t* values);

void deinterleave(const float* interleaved, int numChannels, std::int64_t frames,
                  float* const* channels);
void interleave(const float* const* channels, int numChannels, std::int64_t frames,
                float* interleaved);

} // namespace KestrumTool
