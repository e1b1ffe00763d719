#include "vst3/moduleentry.h"

#include "base/source/updatehandler.h"

#include <mutex>
#include <new>

namespace Steinberg
{
namespace
{

// Hosts may load a module more than once (nested ModuleEntry calls); only
// the first entry and the matching last exit run the hooks.
std::mutex entryMutex;
int entryCount = 0;
void* moduleHandle = nullptr;

CPluginFactory* makePluginFactory()
{
    // The SDK makes its update handler lazily, in the first edit controller's
    // constructor, through an unguarded check, and every parameter change
    // reads the pointer it sets: made here, under the factory's lock, it is
    // there before any thread can create an instance.
    UpdateHandler::instance();
    auto* factory = new (std::nothrow) CPluginFactory(pluginFactoryInfo());
    if (factory)
        registerPluginClasses(*factory);
    return factory;
}

} // namespace

void* getModuleHandle()
{
    std::lock_guard<std::mutex> lock(entryMutex);
    return moduleHandle;
}

bool enterModule(void* handle)
{
    std::lock_guard<std::mutex> lock(entryMutex);
    if (entryCount > 0)
    {
        ++entryCount;
        return true;
    }
    if (!InitModule())
        return false;
    moduleHandle = handle;
    entryCount = 1;
    return true;
}

bool exitModule()
{
    std::lock_guard<std::mutex> lock(entryMutex);
    if (entryCount == 0)
        return false; // an exit without an entry changes nothing
    if (--entryCount > 0)
        return true;
    moduleHandle = nullptr;
    return DeinitModule();
}

} // namespace Steinberg

extern "C" SMTG_EXPORT_SYMBOL Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory()
{
    return Steinberg::CPluginFactory::getShared(Steinberg::makePluginFactory);
}
