#include "vst2/vst2componenthandler.h"

#include <algorithm>
#include <cmath>

namespace Steinberg
{
namespace Vst
{

Vst2ComponentHandler::Vst2ComponentHandler(audioMasterCallback host,
                                           std::vector<ParamID> parameterIds,
                                           ParameterHandoff& handoff)
    : host(host), parameterIds(std::move(parameterIds)), handoff(handoff)
{
}

int32 Vst2ComponentHandler::indexOf(ParamID id) const
{
    auto found = std::find(parameterIds.begin(), parameterIds.end(), id);
    if (found == parameterIds.end())
        return -1;
    return static_cast<int32>(found - parameterIds.begin());
}

tresult PLUGIN_API Vst2ComponentHandler::beginEdit(ParamID id)
{
    const int32 index = indexOf(id);
    if (index < 0)
        return kInvalidArgument;
    callHost(Vst2::audioMasterBeginEdit, index);
    return kResultOk;
}

tresult PLUGIN_API Vst2ComponentHandler::performEdit(ParamID id, ParamValue valueNormalized)
{
    const int32 index = indexOf(id);
    if (index < 0 || std::isnan(valueNormalized))
        return kInvalidArgument;
    const double value = std::min(1.0, std::max(0.0, valueNormalized));
    handoff.set(index, value, ParameterHandoff::Origin::kController);
    callHost(Vst2::audioMasterAutomate, index, static_cast<float>(value));
    return kResultOk;
}

tresult PLUGIN_API Vst2ComponentHandler::endEdit(ParamID id)
{
    const int32 index = indexOf(id);
    if (index < 0)
        return kInvalidArgument;
    callHost(Vst2::audioMasterEndEdit, index);
    return kResultOk;
}

tresult PLUGIN_API Vst2ComponentHandler::restartComponent(int32 flags)
{
    if (flags & (kParamValuesChanged | kParamTitlesChanged))
        callHost(Vst2::audioMasterUpdateDisplay, 0);
    if (flags & (kLatencyChanged | kIoChanged))
        callHost(Vst2::audioMasterIOChanged, 0);
    return kResultOk;
}

tresult PLUGIN_API Vst2ComponentHandler::queryInterface(const TUID iid, void** obj)
{
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IComponentHandler)
    QUERY_INTERFACE(iid, obj, IComponentHandler::iid, IComponentHandler)
    *obj = nullptr;
    return kNoInterface;
}

intptr_t Vst2ComponentHandler::callHost(int32 opcode, int32 index, float opt)
{
    return host ? host(effect, opcode, index, 0, nullptr, opt) : 0;
}

} // namespace Vst
} // namespace Steinberg
