// The component handler the wrapper gives the controller: edits made in the
// plug-in (its editor) go to the processor at its next block and to the VST 2
// host as automation, framed by the host's begin/end edit calls.
#pragma once

#include "adapter/parameterhandoff.h"
#include "vst2/vst2abi.h"

#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <vector>

namespace Steinberg
{
namespace Vst
{

class Vst2ComponentHandler final : public IComponentHandler
{
public:
    // `parameterIds[i]` is the VST 3 ID of the VST 2 parameter index i. The
    // handoff must outlive the handler.
    Vst2ComponentHandler(audioMasterCallback host, std::vector<ParamID> parameterIds,
                         ParameterHandoff& handoff);

    // The effect record passed along with every host call.
    void setEffect(AEffect* effect) { this->effect = effect; }
    // The VST 2 index of a parameter, -1 when it is not one of ours.
    int32 indexOf(ParamID id) const;

    // IComponentHandler. Unknown parameters give kInvalidArgument and reach
    // neither the host nor the processor.
    tresult PLUGIN_API beginEdit(ParamID id) SMTG_OVERRIDE;
    tresult PLUGIN_API performEdit(ParamID id, ParamValue valueNormalized) SMTG_OVERRIDE;
    tresult PLUGIN_API endEdit(ParamID id) SMTG_OVERRIDE;
    tresult PLUGIN_API restartComponent(int32 flags) SMTG_OVERRIDE;

    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) SMTG_OVERRIDE;
    // Owned by the wrapper, which detaches it from the controller before it
    // goes: not reference counted.
    uint32 PLUGIN_API addRef() SMTG_OVERRIDE { return 1; }
    uint32 PLUGIN_API release() SMTG_OVERRIDE { return 1; }

private:
    intptr_t callHost(int32 opcode, int32 index, float opt = 0.f);

    audioMasterCallback host;
    AEffect* effect = nullptr;
    std::vector<ParamID> parameterIds;
    ParameterHandoff& handoff;
};

} // namespace Vst
} // namespace Steinberg
