#include "adapter/parameterhandoff.h"

namespace Steinberg
{
namespace Vst
{

ParameterHandoff::ParameterHandoff(int32 count)
    : count(count > 0 ? count : 0),
      slots(std::make_unique<Slot[]>(static_cast<size_t>(this->count)))
{
}

void ParameterHandoff::set(int32 index, double value, Origin origin)
{
    if (index < 0 || index >= count)
        return;
    Slot& slot = slots[index];
    // The value first: a reader that sees a flag also sees this value (or a
    // later one, which is the one it should deliver anyway).
    slot.value.store(value, std::memory_order_release);
    if (origin != Origin::kController)
        slot.toController.store(true, std::memory_order_release);
    if (origin != Origin::kHostDelivered)
        slot.toProcessor.store(true, std::memory_order_release);
}

double ParameterHandoff::get(int32 index) const
{
    if (index < 0 || index >= count)
        return 0.0;
    return slots[index].value.load(std::memory_order_acquire);
}

void ParameterHandoff::reset(int32 index, double value)
{
    if (index < 0 || index >= count)
        return;
    Slot& slot = slots[index];
    slot.toProcessor.store(false, std::memory_order_release);
    slot.toController.store(false, std::memory_order_release);
    slot.value.store(value, std::memory_order_release);
}

} // namespace Vst
} // namespace Steinberg
