// Helpers shared by the fuzz targets: a byte reader over the fuzzer's input
// and an in-memory stream.
#pragma once

#include "public.sdk/source/common/memorystream.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace KestrumFuzz
{

class ByteReader
{
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    template <typename T> T take()
    {
        T value{};
        const std::size_t n = sizeof(T) < remaining() ? sizeof(T) : remaining();
        std::memcpy(&value, data + position, n);
        position += n;
        return value;
    }
    std::size_t remaining() const { return size - position; }
    const std::uint8_t* rest() const { return data + position; }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
};

inline std::vector<std::uint8_t> streamBytes(Steinberg::MemoryStream& stream)
{
    auto* begin = reinterpret_cast<const std::uint8_t*>(stream.getData());
    return std::vector<std::uint8_t>(begin, begin + stream.getSize());
}

// Stops the fuzzer with a crash report when an invariant does not hold.
#define FUZZ_CHECK(condition)                                                                      \
    do                                                                                             \
    {                                                                                              \
        if (!(condition))                                                                          \
        {                                                                                          \
            std::fprintf(stderr, "invariant failed: %s (%s:%d)\n", #condition, __FILE__,           \
                         __LINE__);                                                                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

} // namespace KestrumFuzz
