// Parameter values on their way from the format's host (any thread) and
// from the controller (main thread) to the processor (audio thread) and to the
// controller. One slot of atomics per parameter: the audio thread takes the
// latest value of each changed parameter without locking or allocating.
#pragma once

#include "pluginterfaces/base/ftypes.h"

#include <atomic>
#include <memory>

namespace Steinberg
{
namespace Vst
{

class ParameterHandoff
{
public:
    enum class Origin
    {
        kHost,       // the controller has yet to learn the value
        kController, // the controller made the value itself
        // The host gave the value to the processor itself (at its sample
        // offset): only the controller has yet to learn it.
        kHostDelivered,
    };

    explicit ParameterHandoff(int32 count);

    int32 size() const { return count; }

    // A new value, for the processor's next block. Out-of-range indices are
    // ignored.
    void set(int32 index, double value, Origin origin);
    // The latest value of a parameter, 0 for an index out of range.
    double get(int32 index) const;
    // Records a value that processor and controller already have (after a
    // state was restored) and drops whatever was still on its way.
    void reset(int32 index, double value);

    // Audio thread: calls deliver(index, value) for each parameter changed
    // since the last call.
    template <typename Deliver> void takeProcessorChanges(Deliver&& deliver)
    {
        for (int32 i = 0; i < count; ++i)
        {
            Slot& slot = slots[i];
            if (slot.toProcessor.exchange(false, std::memory_order_acq_rel))
                deliver(i, slot.value.load(std::memory_order_acquire));
        }
    }

    // Main thread: the same for values the controller has not seen.
    template <typename Deliver> void takeControllerChanges(Deliver&& deliver)
    {
        for (int32 i = 0; i < count; ++i)
        {
            Slot& slot = slots[i];
            if (slot.toController.exchange(false, std::memory_order_acq_rel))
                deliver(i, slot.value.load(std::memory_order_acquire));
        }
    }

private:
    struct Slot
    {
        std::atomic<double> value{0.0};
        std::atomic<bool> toProcessor{false};
        std::atomic<bool> toController{false};
    };
    static_assert(std::atomic<double>::is_always_lock_free, "the audio thread must not lock");

    int32 count;
    std::unique_ptr<Slot[]> slots;
};

} // namespace Vst
} // namespace Steinberg
