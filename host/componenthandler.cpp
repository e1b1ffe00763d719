#include "host/componenthandler.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace KestrumHost
{

void ComponentHandler::setEditListener(EditListener listener)
{
    std::lock_guard<std::mutex> lock(mutex);
    editListener = std::move(listener);
}

std::vector<ComponentHandler::Call> ComponentHandler::calls() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return recorded;
}

void ComponentHandler::clearCalls()
{
    std::lock_guard<std::mutex> lock(mutex);
    recorded.clear();
}

void ComponentHandler::record(const Call& call)
{
    std::lock_guard<std::mutex> lock(mutex);
    recorded.push_back(call);
}

tresult PLUGIN_API ComponentHandler::beginEdit(ParamID id)
{
    record({CallType::beginEdit, id, 0.0, 0});
    return kResultOk;
}

tresult PLUGIN_API ComponentHandler::performEdit(ParamID id, ParamValue value)
{
    record({CallType::performEdit, id, value, 0});
    EditListener listener;
    {
        std::lock_guard<std::mutex> lock(mutex);
        listener = editListener;
    }
    if (listener)
        listener(id, value);
    return kResultOk;
}

tresult PLUGIN_API ComponentHandler::endEdit(ParamID id)
{
    record({CallType::endEdit, id, 0.0, 0});
    return kResultOk;
}

tresult PLUGIN_API ComponentHandler::restartComponent(int32 flags)
{
    record({CallType::restartComponent, 0, 0.0, flags});
    return kResultOk;
}

tresult PLUGIN_API ComponentHandler::queryInterface(const TUID iid, void** obj)
{
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IComponentHandler)
    QUERY_INTERFACE(iid, obj, IComponentHandler::iid, IComponentHandler)
    if (obj)
        *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API ComponentHandler::addRef()
{
    return ++refCount;
}

uint32 PLUGIN_API ComponentHandler::release()
{
    const uint32 remaining = --refCount;
    if (remaining == 0)
        delete this;
    return remaining;
}

} // namespace KestrumHost
