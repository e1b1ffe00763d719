// Parameter change lists for a process call, as a host or a wrapper hands
// them to the processor. Every queue and point is allocated when the list is
// made, so filling and clearing it never allocates: a full list refuses
// more, and the audio thread may fill it.
#pragma once

#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <vector>

namespace Steinberg
{
namespace Vst
{

class ParameterValueQueue final : public IParamValueQueue
{
public:
    explicit ParameterValueQueue(int32 maxPoints);

    // Empties the queue and gives it to parameter `id`.
    void reset(ParamID id);

    ParamID PLUGIN_API getParameterId() SMTG_OVERRIDE { return paramId; }
    int32 PLUGIN_API getPointCount() SMTG_OVERRIDE { return used; }
    tresult PLUGIN_API getPoint(int32 index, int32& sampleOffset, ParamValue& value) SMTG_OVERRIDE;
    // A point at the offset of the last point replaces it: the later value
    // is the one that holds there, and a host queueing many edits between
    // two blocks keeps the newest instead of running out of room.
    // kResultFalse once the queue is full.
    tresult PLUGIN_API addPoint(int32 sampleOffset, ParamValue value, int32& index) SMTG_OVERRIDE;

    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) SMTG_OVERRIDE;
    // Owned by its list, which its maker owns; never by the plug-in.
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

class ParameterChanges final : public IParameterChanges
{
public:
    static constexpr int32 kDefaultMaxParameters = 16;
    static constexpr int32 kDefaultMaxPoints = 16;

    // Room for `maxParameters` queues of `maxPoints` points each.
    explicit ParameterChanges(int32 maxParameters = kDefaultMaxParameters,
                              int32 maxPoints = kDefaultMaxPoints);

    void clear() { used = 0; }
    bool empty() const { return used == 0; }
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
    std::vector<ParameterValueQueue> queues;
    int32 used = 0;
};

} // namespace Vst
} // namespace Steinberg
