// The program chunk a VST 2 host stores for the wrapped plug-in: the
// processor's and the controller's state streams behind a small header.
//
// Layout (all integers little-endian, unsigned 32-bit):
//   magic 'V3W2' | format version | processor state length | controller
//   state length | processor state bytes | controller state bytes
// The lengths must account for every byte after the header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Steinberg
{
namespace Vst
{

class Vst2Chunk
{
public:
    static constexpr std::uint32_t kMagic = 0x56335732; // 'V3W2'
    static constexpr std::uint32_t kFormatVersion = 1;
    static constexpr std::size_t kHeaderSize = 16;

    // The chunk for two states. False (and `chunk` untouched) when a state
    // is too large for the header's length fields.
    static bool build(const std::vector<std::uint8_t>& processorState,
                      const std::vector<std::uint8_t>& controllerState,
                      std::vector<std::uint8_t>& chunk);

    // Splits a chunk into its two states. False, with nothing set, for a
    // missing chunk, a wrong magic or version, or lengths that do not match
    // the chunk's size.
    bool parse(const void* data, std::size_t size);

    const std::uint8_t* processorState() const { return processorData; }
    std::size_t processorStateSize() const { return processorSize; }
    const std::uint8_t* controllerState() const { return controllerData; }
    std::size_t controllerStateSize() const { return controllerSize; }

private:
    const std::uint8_t* processorData = nullptr;
    std::size_t processorSize = 0;
    const std::uint8_t* controllerData = nullptr;
    std::size_t controllerSize = 0;
};

} // namespace Vst
} // namespace Steinberg
