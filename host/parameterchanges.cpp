#include "parameterchanges.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace KestrumHost
{

int32 PLUGIN_API ParamValueQueue::getPointCount()
{
    return static_cast<int32>(points.size());
}

tresult PLUGIN_API ParamValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value)
{
    if (index < 0 || index >= getPointCount())
        return kInvalidArgument;
    sampleOffset = points[static_cast<size_t>(index)].offset;
    value = points[static_cast<size_t>(index)].value;
    return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index)
{
    points.push_back({sampleOffset, value});
    index = getPointCount() - 1;
    return kResultOk;
}

tresult PLUGIN_API ParamValueQueue::queryInterface(const TUID iid, void** obj)
{
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IParamValueQueue)
    QUERY_INTERFACE(iid, obj, IParamValueQueue::iid, IParamValueQueue)
    *obj = nullptr;
    return kNoInterface;
}

void ParameterChanges::add(ParamID id, ParamValue value, int32 sampleOffset)
{
    int32 index = 0;
    if (auto* queue = addParameterData(id, index))
        queue->addPoint(sampleOffset, value, index);
}

void ParameterChanges::clear()
{
    for (int32 i = 0; i < usedQueues; ++i)
        queues[static_cast<size_t>(i)].clear();
    usedQueues = 0;
}

int32 PLUGIN_API ParameterChanges::getParameterCount()
{
    return usedQueues;
}

IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index)
{
    if (index < 0 || index >= usedQueues)
        return nullptr;
    return &queues[static_cast<size_t>(index)];
}

IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const ParamID& id, int32& index)
{
    for (int32 i = 0; i < usedQueues; ++i)
    {
        if (queues[static_cast<size_t>(i)].getParameterId() == id)
        {
            index = i;
            return &queues[static_cast<size_t>(i)];
        }
    }
    if (usedQueues == static_cast<int32>(queues.size()))
        queues.emplace_back();
    auto& queue = queues[static_cast<size_t>(usedQueues)];
    queue.clear();
    queue.setParamId(id);
    index = usedQueues++;
    return &queue;
}

tresult PLUGIN_API ParameterChanges::queryInterface(const TUID iid, void** obj)
{
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IParameterChanges)
    QUERY_INTERFACE(iid, obj, IParameterChanges::iid, IParameterChanges)
    *obj = nullptr;
    return kNoInterface;
}

} // namespace KestrumHost
