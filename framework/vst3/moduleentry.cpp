#include "vst3/moduleentry.h"

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

} // namespace Steinberg

using namespace Steinberg;

extern "C"
{

    SMTG_EXPORT_SYMBOL IPluginFactory* PLUGIN_API GetPluginFactory()
    {
        return CPluginFactory::getShared(makePluginFactory);
    }

    SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle)
    {
        std::lock_guard<std::mutex> lock(entryMutex);
        if (entryCount > 0)
        {
            ++entryCount;
            return true;
        }
        if (!InitModule())
            return false;
        moduleHandle = sharedLibraryHandle;
        entryCount = 1;
        return true;
    }

    SMTG_EXPORT_SYMBOL bool ModuleExit()
    {
        std::lock_guard<std::mutex> lock(entryMutex);
        if (entryCount == 0)
            return false; // an exit without an entry changes nothing
        if (--entryCount > 0)
            return true;
        moduleHandle = nullptr;
        return DeinitModule();
    }

    SMTG_EXPORT_SYMBOL bool InitDll()
    {
        return InitModule();
    }

    SMTG_EXPORT_SYMBOL bool ExitDll()
    {
        return DeinitModule();
    }

} // extern "C"
