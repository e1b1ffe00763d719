#include "adapter/statebundle.h"

#include <cstring>
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

void putValue(std::vector<std::uint8_t>& out, double value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    putWord(out, static_cast<std::uint32_t>(bits));
    putWord(out, static_cast<std::uint32_t>(bits >> 32));
}

double getValue(const std::uint8_t* bytes)
{
    const std::uint64_t bits = static_cast<std::uint64_t>(getWord(bytes)) |
                               (static_cast<std::uint64_t>(getWord(bytes + 4)) << 32);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Also false for NaN.
bool isNormalized(double value)
{
    return value >= 0.0 && value <= 1.0;
}

// One form per value: -0.0 compares equal to 0.0 and so would survive a
// load only where it replaced another value, and a second save would differ.
double canonical(double value)
{
    return value == 0.0 ? 0.0 : value;
}

// VST 2 hands chunk sizes over as 32-bit signed values.
constexpr std::size_t kMaxChunkSize = static_cast<std::size_t>(std::numeric_limits<int32_t>::max());

} // namespace

bool StateBundle::build(const std::vector<std::uint8_t>& processorState,
                        const std::vector<std::uint8_t>& controllerState,
                        const std::vector<ParameterValue>& parameterValues,
                        std::vector<std::uint8_t>& chunk)
{
    const std::size_t valuesSize = 4 + parameterValues.size() * kValueRecordSize;
    if (parameterValues.size() > kMaxChunkSize / kValueRecordSize ||
        processorState.size() > kMaxChunkSize - kHeaderSize - valuesSize ||
        controllerState.size() > kMaxChunkSize - kHeaderSize - valuesSize - processorState.size())
        return false;
    for (const ParameterValue& v : parameterValues)
    {
        if (!isNormalized(v.value))
            return false;
    }

    std::vector<std::uint8_t> out;
    out.reserve(kHeaderSize + processorState.size() + controllerState.size() + valuesSize);
    putWord(out, kMagic);
    putWord(out, kFormatVersion);
    putWord(out, static_cast<std::uint32_t>(processorState.size()));
    putWord(out, static_cast<std::uint32_t>(controllerState.size()));
    out.insert(out.end(), processorState.begin(), processorState.end());
    out.insert(out.end(), controllerState.begin(), controllerState.end());
    putWord(out, static_cast<std::uint32_t>(parameterValues.size()));
    for (const ParameterValue& v : parameterValues)
    {
        putWord(out, v.id);
        putValue(out, canonical(v.value));
    }
    chunk.swap(out);
    return true;
}

bool StateBundle::parse(const void* data, std::size_t size)
{
    if (!data || size < kHeaderSize || size > kMaxChunkSize)
        return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const std::uint32_t version = getWord(bytes + 4);
    if (getWord(bytes) != kMagic || version < 1 || version > kFormatVersion)
        return false;

    // Summed in 64 bits: two lengths below 2^32 cannot wrap there.
    const std::uint64_t processorLength = getWord(bytes + 8);
    const std::uint64_t controllerLength = getWord(bytes + 12);
    const std::uint64_t statesEnd = kHeaderSize + processorLength + controllerLength;
    if (statesEnd > size)
        return false;

    std::vector<ParameterValue> parsedValues;
    if (version == 1)
    {
        if (statesEnd != size)
            return false;
    }
    else
    {
        const std::size_t rest = size - static_cast<std::size_t>(statesEnd);
        if (rest < 4)
            return false;
        const std::uint8_t* record = bytes + statesEnd;
        const std::uint64_t count = getWord(record);
        if (count * kValueRecordSize != rest - 4)
            return false;
        record += 4;
        parsedValues.reserve(static_cast<std::size_t>(count));
        for (std::uint64_t i = 0; i < count; ++i, record += kValueRecordSize)
        {
            const ParameterValue v{getWord(record), canonical(getValue(record + 4))};
            if (!isNormalized(v.value))
                return false;
            parsedValues.push_back(v);
        }
    }

    processorData = bytes + kHeaderSize;
    processorSize = static_cast<std::size_t>(processorLength);
    controllerData = processorData + processorSize;
    controllerSize = static_cast<std::size_t>(controllerLength);
    values.swap(parsedValues);
    return true;
}

} // namespace Vst
} // namespace Steinberg
