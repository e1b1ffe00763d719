// Where the tool's audio comes from and goes to, in one float buffer per
// channel.
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
    // Reads up to `count` frames into channels() buffers; returns the number
    // read (fewer than asked only at the end, 0 after it) or -1 on a read
    // error, with a reason in error().
    virtual std::int64_t read(float* const* channels, std::int64_t count) = 0;
    virtual std::string error() const { return {}; }
};

class AudioSink
{
public:
    virtual ~AudioSink() = default;
    // Writes `count` frames from one buffer per channel. False on a write
    // error, with a reason in error().
    virtual bool write(const float* const* channels, std::int64_t count) = 0;
    virtual std::string error() const { return {}; }
};

} // namespace KestrumTool
