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
    // Sources that can also hand over the file's own sample bytes (for a
    // bypass that is exact whatever the sample format) give their frame
    // size here and fill `raw` in readRaw.
    virtual int rawFrameBytes() const { return 0; }
    virtual std::int64_t readRaw(float* const* channels, std::int64_t count, unsigned char*)
    {
        return read(channels, count);
    }
    virtual std::string error() const { return {}; }
};

class AudioSink
{
public:
    virtual ~AudioSink() = default;
    // Writes `count` frames from one buffer per channel. False on a write
    // error, with a reason in error().
    virtual bool write(const float* const* channels, std::int64_t count) = 0;
    // The source's own sample bytes instead, where the sink stores the same
    // format.
    virtual bool acceptsRaw() const { return false; }
    virtual bool writeRaw(const unsigned char*, std::int64_t) { return false; }
    virtual std::string error() const { return {}; }
};

} // namespace KestrumTool
