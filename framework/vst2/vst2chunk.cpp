#include "vst2/vst2chunk.h"

#include <limits>

namespace Steinberg
{
namespace Vst
{
namespace
{

void putWord(std::vector<std::uint8_t>& out, std::uint32_t word)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(word >> shift));
}

std::uint32_t getWord(const std::uint8_t* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// VST 2 hands chunk sizes over as 32-bit signed values.
constexpr std::size_t kMaxChunkSize = static_cast<std::size_t>(std::numeric_limits<int32_t>::max());

} // namespace

bool Vst2Chunk::build(const std::vector<std::uint8_t>& processorState,
                      const std::vector<std::uint8_t>& controllerState,
                      std::vector<std::uint8_t>& chunk)
{
    if (processorState.size() > kMaxChunkSize - kHeaderSize ||
        controllerState.size() > kMaxChunkSize - kHeaderSize - processorState.size())
        return false;

    std::vector<std::uint8_t> out;
    out.reserve(kHeaderSize + processorState.size() + controllerState.size());
    putWord(out, kMagic);
    putWord(out, kFormatVersion);
    putWord(out, static_cast<std::uint32_t>(processorState.size()));
    putWord(out, static_cast<std::uint32_t>(controllerState.size()));
    out.insert(out.end(), processorState.begin(), processorState.end());
    out.insert(out.end(), controllerState.begin(), controllerState.end());
    chunk.swap(out);
    return true;
}

bool Vst2Chunk::parse(const void* data, std::size_t size)
{
    if (!data || size < kHeaderSize || size > kMaxChunkSize)
        return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (getWord(bytes) != kMagic || getWord(bytes + 4) != kFormatVersion)
        return false;

    // Summed in 64 bits: two lengths below 2^32 cannot wrap there.
    const std::uint64_t processorLength = getWord(bytes + 8);
    const std::uint64_t controllerLength = getWord(bytes + 12);
    if (processorLength + controllerLength != size - kHeaderSize)
        return false;

    processorData = bytes + kHeaderSize;
    processorSize = static_cast<std::size_t>(processorLength);
    controllerData = processorData + processorSize;
    controllerSize = static_cast<std::size_t>(controllerLength);
    return true;
}

} // namespace Vst
} // namespace Steinberg
