// Host-side parameter change lists for ProcessData. Points are appended on
// the main thread before a block; nothing allocates once reserve() is done.
#pragma once

#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <vector>

namespace KestrumHost
{

class ParamValueQueue final : public Steinberg::Vst::IParamValueQueue
{
public:
    explicit ParamValueQueue(Steinberg::Vst::ParamID id = 0) : paramId(id) {}

    void setParamId(Steinberg::Vst::ParamID id) { paramId = id; }
    void clear() { points.clear(); }

    Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return paramId; }
    Steinberg::int32 PLUGIN_API getPointCount() override;
    Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                           Steinberg::Vst::ParamValue& value) override;
    Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset,
                                           Steinberg::Vst::ParamValue value,
                                           Steinberg::int32& index) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    // Owned by its ParameterChanges, never by the plug-in.
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    struct Point
    {
        Steinberg::int32 offset;
        Steinberg::Vst::ParamValue value;
    };
    Steinberg::Vst::ParamID paramId;
    std::vector<Point> points;
};

class ParameterChanges final : public Steinberg::Vst::IParameterChanges
{
public:
    // Adds a point to the queue of the parameter, making the queue if needed.
    void add(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value,
             Steinberg::int32 sampleOffset = 0);
    void clear();
    bool empty() const { return usedQueues == 0; }

    Steinberg::int32 PLUGIN_API getParameterCount() override;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                  Steinberg::int32& index) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    std::vector<ParamValueQueue> queues;
    Steinberg::int32 usedQueues = 0;
};

} // namespace KestrumHost
