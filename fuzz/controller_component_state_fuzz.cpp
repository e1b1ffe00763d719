// The processor's state as the controller receives it from a host: the
// parameters stay within their ranges and a failed read changes nothing.
#include "controller/kestrumcontroller.h"
#include "fuzzstream.h"
#include "module/kestrumparamids.h"

#include <cmath>

using namespace Steinberg;
using namespace KestrumFuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto controller = owned(new Kestrum::KestrumController);
    controller->initialize(nullptr);
    const double bypassBefore = controller->getParamNormalized(Kestrum::kBypassId);
    const double modeBefore = controller->getParamNormalized(Kestrum::kModeId);

    MemoryStream input(const_cast<std::uint8_t*>(data), static_cast<TSize>(size));
    const tresult result = controller->setComponentState(&input);

    const double bypass = controller->getParamNormalized(Kestrum::kBypassId);
    const double mode = controller->getParamNormalized(Kestrum::kModeId);
    if (result != kResultOk)
    {
        FUZZ_CHECK(bypass == bypassBefore && mode == modeBefore);
    }
    FUZZ_CHECK(bypass == 0.0 || bypass == 1.0);
    FUZZ_CHECK(std::isfinite(mode) && mode >= 0.0 && mode <= 1.0);

    Vst::String128 text{};
    FUZZ_CHECK(controller->getParamStringByValue(Kestrum::kModeId, mode, text) == kResultOk);
    controller->terminate();
    return 0;
}
