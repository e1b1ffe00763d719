// The controller's own state as a project file may hold it: a failed read
// changes nothing, a successful one round-trips.
#include "controller/kestrumcontroller.h"
#include "fuzzstream.h"

using namespace Steinberg;
using namespace KestrumFuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto controller = owned(new Kestrum::KestrumController);
    controller->initialize(nullptr);

    MemoryStream before;
    FUZZ_CHECK(controller->getState(&before) == kResultOk);

    MemoryStream input(const_cast<std::uint8_t*>(data), static_cast<TSize>(size));
    const tresult result = controller->setState(&input);

    MemoryStream after;
    FUZZ_CHECK(controller->getState(&after) == kResultOk);
    FUZZ_CHECK(after.getSize() == Kestrum::KestrumController::kStateSize);
    if (result != kResultOk)
    {
        FUZZ_CHECK(streamBytes(after) == streamBytes(before));
    }
    else
    {
        FUZZ_CHECK(size >= static_cast<std::size_t>(Kestrum::KestrumController::kStateSize));
        // The stored text is zero-terminated within its units.
        const auto bytes = streamBytes(after);
        bool terminated = false;
        for (std::size_t i = 1; i + 1 < bytes.size(); i += 2)
            terminated = terminated || (bytes[i] == 0 && bytes[i + 1] == 0);
        FUZZ_CHECK(terminated);
        MemoryStream again;
        auto copy = owned(new Kestrum::KestrumController);
        copy->initialize(nullptr);
        MemoryStream replay(const_cast<std::uint8_t*>(bytes.data()),
                            static_cast<TSize>(bytes.size()));
        FUZZ_CHECK(copy->setState(&replay) == kResultOk);
        FUZZ_CHECK(copy->getState(&again) == kResultOk);
        FUZZ_CHECK(streamBytes(again) == bytes);
        copy->terminate();
    }
    controller->terminate();
    return 0;
}
