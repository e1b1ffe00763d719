// Parameter change lists for the processor's process call, built on the
// audio thread: every queue and point is allocated up front, so filling and
// clearing them never allocates.
#pragma once

#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <vector>

namespace Steinberg
{
namespace Vst
{

class Vst2ParamValueQueue final : public IParamValueQueue
{
public:
    explicit Vst2ParamValueQueue(int32 capacity);

    void reset(ParamID id);

    ParamID PLUGIN_API getParameterId() SMTG_OVERRIDE { return paramId; }
    int32 PLUGIN_API getPointCount() SMTG_OVERRIDE { return used; }
    tresult PLUGIN_API getPoint(int32 index, int32& sampleOffset, ParamValue& value) SMTG_OVERRIDE;
    // kResultFalse once the queue is full.
    tresult PLUGIN_API addPoint(int32 sampleOffset, ParamValue value, int32& index) SMTG_OVERRIDE;

    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) SMTG_OVERRIDE;
    // Owned by its list, which the wrapper owns; never by the plug-in.
    uint32 PLUGIN_API addRef() SMTG_OVERRIDE { return 1; }
    uint32 PLUGIN_API release() SMTG_OVERRIDE { return 1; }

private:
    struct Point
    {
        int32 offset;
        ParamValue value;
    };
    ParamID paramId = 0;
    std::vector<Point> points;
    int32 used = 0;
};

class Vst2ParameterChanges final : public IParameterChanges
{
public:
    // Room for `maxParameters` queues of `maxPoints` points each.
    Vst2ParameterChanges(int32 maxParameters, int32 maxPoints);

    void clear() { used = 0; }
    // Adds a point to the queue of `id`; false when there is no room.
    bool add(ParamID id, ParamValue value, int32 sampleOffset = 0);

    int32 PLUGIN_API getParameterCount() SMTG_OVERRIDE { return used; }
    IParamValueQueue* PLUGIN_API getParameterData(int32 index) SMTG_OVERRIDE;
    // Null once every queue is taken.
    IParamValueQueue* PLUGIN_API addParameterData(const ParamID& id, int32& index) SMTG_OVERRIDE;

    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) SMTG_OVERRIDE;
    uint32 PLUGIN_API addRef() SMTG_OVERRIDE { return 1; }
    uint32 PLUGIN_API release() SMTG_OVERRIDE { return 1; }

private:
    std::vector<Vst2ParamValueQueue> queues;
    int32 used = 0;
};

} // namespace Vst
} // namespace Steinberg
