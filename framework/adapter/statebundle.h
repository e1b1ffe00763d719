// The one stream a host of another format stores for the wrapped plug-in
// (a VST 2 program chunk, a CLAP state): the processor's and the
// controller's state streams behind a small header, followed by the latest
// value of every parameter.
//
// The values are there because such a host's parameter changes reach the
// processor only with its next audio block: a chunk taken before that block
// (a plug-in that is suspended, or a project saved right after an edit)
// would otherwise carry the processor's old state.
//
// Layout (all integers little-endian, unsigned 32-bit):
//   magic 'V3W2' | format version | processor state length | controller
//   state length | processor state bytes | controller state bytes |
//   (version 2 on) value count | count x (parameter id, IEEE double as
//   64-bit little-endian, 0 to 1)
// The lengths must account for every byte after the header. Version 1
// chunks (without values) are still read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Steinberg
{
namespace Vst
{

class StateBundle
{
public:
    static constexpr std::uint32_t kMagic = 0x56335732; // 'V3W2'
    static constexpr std::uint32_t kFormatVersion = 2;
    static constexpr std::size_t kHeaderSize = 16;
    // A value record: parameter id and the value's 8 bytes.
    static constexpr std::size_t kValueRecordSize = 12;

    struct ParameterValue
    {
        std::uint32_t id;
        double value;
        bool operator==(const ParameterValue& o) const { return id == o.id && value == o.value; }
    };

    // The chunk for two states and the parameter values. False (and `chunk`
    // untouched) when the parts are too large for the length fields or a
    // value is outside 0 to 1.
    static bool build(const std::vector<std::uint8_t>& processorState,
                      const std::vector<std::uint8_t>& controllerState,
                      const std::vector<ParameterValue>& values, std::vector<std::uint8_t>& chunk);

    // Splits a chunk into its parts. False, with nothing set, for a missing
    // chunk, a wrong magic or version, lengths that do not match the chunk's
    // size, or a value that is not a number from 0 to 1. A zero value always
    // reads as +0.0.
    bool parse(const void* data, std::size_t size);

    const std::uint8_t* processorState() const { return processorData; }
    std::size_t processorStateSize() const { return processorSize; }
    const std::uint8_t* controllerState() const { return controllerData; }
    std::size_t controllerStateSize() const { return controllerSize; }
    // Empty for a version 1 chunk.
    const std::vector<ParameterValue>& parameterValues() const { return values; }

private:
    const std::uint8_t* processorData = nullptr;
    std::size_t processorSize = 0;
    const std::uint8_t* controllerData = nullptr;
    std::size_t controllerSize = 0;
    std::vector<ParameterValue> values;
};

} // namespace Vst
} // namespace Steinberg
