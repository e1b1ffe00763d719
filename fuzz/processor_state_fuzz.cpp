// The processor's state as a host or a project file may hand it over.
#include "fuzzstream.h"
#include "processor/kestrum.h"

#include <cstdio>

using namespace Steinberg;
using namespace KestrumFuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto processor = owned(new Kestrum::Kestrum);
    processor->initialize(nullptr);

    MemoryStream before;
    processor->getState(&before);

    MemoryStream input(const_cast<std::uint8_t*>(data), static_cast<TSize>(size));
    const tresult result = processor->setState(&input);

    MemoryStream after;
    processor->getState(&after);
    FUZZ_CHECK(after.getSize() == 8);
    if (result != kResultOk)
    {
        FUZZ_CHECK(streamBytes(after) == streamBytes(before));
    }
    else
    {
        FUZZ_CHECK(size >= 8);
        std::int32_t bypass = 0;
        std::memcpy(&bypass, data, 4);
        const auto bytes = streamBytes(after);
        FUZZ_CHECK(bytes[0] == (bypass > 0 ? 1 : 0));
        FUZZ_CHECK(std::memcmp(bytes.data() + 4, data + 4, 4) == 0);
    }
    processor->terminate();
    return 0;
}
