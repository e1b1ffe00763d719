// The host's side of the controller's edits: records every beginEdit,
// performEdit, endEdit and restartComponent call in order, and passes each
// performed value on, the way a host turns edits into automation.
#pragma once

#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

namespace KestrumHost
{

class ComponentHandler : public Steinberg::Vst::IComponentHandler
{
public:
    enum class CallType
    {
        beginEdit,
        performEdit,
        endEdit,
        restartComponent,
    };

    struct Call
    {
        CallType type;
        Steinberg::Vst::ParamID id;       // edits only
        Steinberg::Vst::ParamValue value; // performEdit only
        Steinberg::int32 flags;           // restartComponent only

        bool operator==(const Call& other) const
        {
            return type == other.type && id == other.id && value == other.value &&
                   flags == other.flags;
        }
    };

    using EditListener = std::function<void(Steinberg::Vst::ParamID, Steinberg::Vst::ParamValue)>;

    ComponentHandler() = default;
    virtual ~ComponentHandler() = default;

    // Called for every performEdit, after it was recorded.
    void setEditListener(EditListener listener);

    std::vector<Call> calls() const;
    void clearCalls();

    // IComponentHandler
    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                              Steinberg::Vst::ParamValue value) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) SMTG_OVERRIDE;

    // FUnknown
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid,
                                                 void** obj) SMTG_OVERRIDE;
    Steinberg::uint32 PLUGIN_API addRef() SMTG_OVERRIDE;
    Steinberg::uint32 PLUGIN_API release() SMTG_OVERRIDE;

private:
    void record(const Call& call);

    std::atomic<Steinberg::uint32> refCount{1};
    mutable std::mutex mutex;
    std::vector<Call> recorded;
    EditListener editListener;
};

} // namespace KestrumHost
