// Where the tool's audio comes from and goes to, in interleaved float frames.
#pragma once

#include <cstdint>
#include <string>

namespace KestrumTool
{

class AudioSource
{
public:
    virtual ~AudioSource() = default;
    virtual int channels() const = 0;
    virtual double sampleRate() const = 0;
    virtual std::int64_t frames() const = 0;
    // Reads up to `count` frames; returns the number read (0 at the end) or
    // -1 on a read error, with a reason in error().
    virtual std::int64_t read(float* interleaved, std::int64_t count) = 0;
    virtual std::string error() const { return {}; }
};

class AudioSink
{
public:
    virtual ~AudioSink() = default;
    // False on a write error, with a reason in error().
    virtual bool write(const float* interleaved, std::int64_t count) = 0;
    virtual std::string error() const { return {}; }
};

} // namespace KestrumTool
