// In-memory IBStream for tests that can be told to fail or to deliver fewer
// bytes than asked, the way a truncated project file or a broken host stream
// behaves.
#pragma once

#include "pluginterfaces/base/ibstream.h"

#include <cstdint>
#include <vector>

namespace KestrumTest
{

class TestStream : public Steinberg::IBStream
{
public:
    TestStream() = default;
    explicit TestStream(std::vector<std::uint8_t> bytes) : data(std::move(bytes)) {}

    // Reads after this many successful read calls return kResultFalse.
    int failReadAfter = -1;
    // Writes after this many successful write calls return kResultFalse.
    int failWriteAfter = -1;
    // A read past the end delivers what is left and still reports kResultOk,
    // as many host streams do; the reader must notice the short count.
    bool okOnShortRead = true;

    std::vector<std::uint8_t> data;
    std::int64_t position = 0;
    int reads = 0;
    int writes = 0;

    Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 numBytes,
                                       Steinberg::int32* numBytesRead) override;
    Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 numBytes,
                                        Steinberg::int32* numBytesWritten) override;
    Steinberg::tresult PLUGIN_API seek(Steinberg::int64 pos, Steinberg::int32 mode,
                                       Steinberg::int64* result) override;
    Steinberg::tresult PLUGIN_API tell(Steinberg::int64* pos) override;

    // Lives on the test's stack: reference counting is a no-op.
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
};

} // namespace KestrumTest
