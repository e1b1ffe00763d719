#include "vst2/vst2parameterchanges.h"

namespace Steinberg
{
namespace Vst
{

Vst2ParamValueQueue::Vst2ParamValueQueue(int32 capacity)
    : points(static_cast<size_t>(capacity > 0 ? capacity : 0))
{
}

void Vst2ParamValueQueue::reset(ParamID id)
{
    paramId = id;
    used = 0;
}

tresult PLUGIN_API Vst2ParamValueQueue::getPoint(int32 index, int32& sampleOffset,
                                                 ParamValue& value)
{
    if (index < 0 || index >= used)
        return kInvalidArgument;
    sampleOffset = points[static_cast<size_t>(index)].offset;
    value = points[static_cast<size_t>(index)].value;
    return kResultOk;
}

tresult PLUGIN_API Vst2ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index)
{
    if (used >= static_cast<int32>(points.size()))
        return kResultFalse;
    points[static_cast<size_t>(used)] = {sampleOffset, value};
    index = used++;
    return kResultOk;
}

tresult PLUGIN_API Vst2ParamValueQueue::queryInterface(const TUID iid, void** obj)
{
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IParamValueQueue)
    QUERY_INTERFACE(iid, obj, IParamValueQueue::iid, IParamValueQueue)
    *obj = nullptr;
    return kNoInterface;
}

Vst2ParameterChanges::Vst2ParameterChanges(int32 maxParameters, int32 maxPoints)
    : queues(static_cast<size_t>(maxParameters > 0 ? maxParameters : 0),
             Vst2ParamValueQueue(maxPoints))
{
}

bool Vst2ParameterChanges::add(ParamID id, ParamValue value, int32 sampleOffset)
{
    int32 index = 0;
    IParamValueQueue* queue = addParameterData(id, index);
    return queue && queue->addPoint(sampleOffset, value, index) == kResultOk;
}

IParamValueQueue* PLUGIN_API Vst2ParameterChanges::getParameterData(int32 index)
{
    if (index < 0 || index >= used)
        return nullptr;
    return &queues[static_cast<size_t>(index)];
}

IParamValueQueue* PLUGIN_API Vst2ParameterChanges::addParameterData(const ParamID& id, int32& index)
{
    for (int32 i = 0; i < used; ++i)
    {
        if (queues[static_cast<size_t>(i)].getParameterId() == id)
        {
            index = i;
            return &queues[static_cast<size_t>(i)];
        }
    }
    if (used >= static_cast<int32>(queues.size()))
        return nullptr;
    Vst2ParamValueQueue& queue = queues[static_cast<size_t>(used)];
    queue.reset(id);
    index = used++;
    return &queue;
}

tresult PLUGIN_API Vst2ParameterChanges::queryInterface(const TUID iid, void** obj)
{
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IParameterChanges)
    QUERY_INTERFACE(iid, obj, IParameterChanges::iid, IParameterChanges)
    *obj = nullptr;
    return kNoInterface;
}

} // namespace Vst
} // namespace Steinberg
