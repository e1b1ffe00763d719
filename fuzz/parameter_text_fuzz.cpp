// Text typed into a host's parameter field, for both parameters: parsing
// never crashes, a refused text leaves the value alone, and any accepted
// value can be shown again.
#include "controller/kestrumcontroller.h"
#include "fuzzstream.h"
#include "module/kestrumparamids.h"

#include <cmath>
#include <vector>

using namespace Steinberg;
using namespace KestrumFuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Kestrum::KestrumController* controller = []
    {
        auto* c = new Kestrum::KestrumController; // lives for the whole fuzzing run
        c->initialize(nullptr);
        return c;
    }();

    // The bytes as UTF-16 units, zero-terminated.
    std::vector<Vst::TChar> text(size / 2 + 1, 0);
    std::memcpy(text.data(), data, (size / 2) * 2);

    for (Vst::ParamID id : {Kestrum::kBypassId, Kestrum::kModeId})
    {
        Vst::ParamValue value = -123.0;
        const tresult result = controller->getParamValueByString(id, text.data(), value);
        if (result != kResultOk)
        {
            FUZZ_CHECK(value == -123.0);
            continue;
        }
        FUZZ_CHECK(!std::isnan(value));
        Vst::String128 shown{};
        FUZZ_CHECK(controller->getParamStringByValue(id, value, shown) == kResultOk);
        FUZZ_CHECK(shown[0] != 0);
    }
    return 0;
}
