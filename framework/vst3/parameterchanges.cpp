#include "vst3/parameterchanges.h"

namespace Steinberg
{
namespace Vst
{

ParameterValueQueue::ParameterValueQueue(int32 maxPoints)
    : points(static_cast<size_t>(maxPoints > 0 ? maxPoints : 0))
{
}

void ParameterValueQueue::reset(ParamID id)
{
    paramId = id;
    used = 0;
}

tresult PLUGIN_API ParameterValueQueue::getPoint(int32 index, int32& sampleOffset,
                                                 ParamValue& value)
{
    if (index < 0 || index >= used)
        return kInvalidArgument;
    sampleOffset = points[static_cast<size_t>(index)].offset;
    value = points[static_cast<size_t>(index)].value;
    return kResultOk;
}

tresult PLUGIN_API ParameterValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index)
{
    if (used > 0 && points[static_cast<size_t>(used - 1)].offset == sampleOffset)
    {
        points[static_cast<size_t>(used - 1)].value = value;
        index = used - 1;
        return kResultOk;
    }
    if (used >= static_cast<int32>(points.size()))
        return kResultFalse;
    points[static_cast<size_t>(used)] = {sampleOffset, value};
    index = used++;
    return kResultOk;
}

tresult PLUGIN_API ParameterValueQueue::queryInterface(const TUID iid, void** obj)
{
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IParamValueQueue)
    QUERY_INTERFACE(iid, obj, IParamValueQueue::iid, IParamValueQueue)
    *obj = nullptr;
    return kNoInterface;
}

ParameterChanges::ParameterChanges(int32 maxParameters, int32 maxPoints)
    : queues(static_cast<size_t>(maxParameters > 0 ? maxParameters : 0),
             ParameterValueQueue(maxPoints))
{
}

bool ParameterChanges::add(ParamID id, ParamValue value, int32 sampleOffset)
{
    int32 index = 0;
    IParamValueQueue* queue = addParameterData(id, index);
    return queue && queue->addPoint(sampleOffset, value, index) == kResultOk;
}

IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index)
{
    if (index < 0 || index >= used)
        return nullptr;
    return &queues[static_cast<size_t>(index)];
}

IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const ParamID& id, int32& index)
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
    ParameterValueQueue& queue = queues[static_cast<size_t>(used)];
    queue.reset(id);
    index = used++;
    return &queue;
}

tresult PLUGIN_API ParameterChanges::queryInterface(const TUID iid, void** obj)
{
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IParameterChanges)
    QUERY_INTERFACE(iid, obj, IParameterChanges::iid, IParameterChanges)
    *obj = nullptr;
    return kNoInterface;
}

} // namespace Vst
} // namespace Steinberg
