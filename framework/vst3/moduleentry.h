// The module's entry points and the hooks a plug-in supplies to them.
//
// The module exports GetPluginFactory, ModuleEntry/ModuleExit (the Linux
// convention: the host passes the dlopen handle on load) and InitDll/ExitDll
// (the names hosts on other platforms call). A plug-in defines the four hooks
// below once; the entry code calls them.
#pragma once

#include "vst3/pluginfactory.h"

// Called on module load and unload (by ModuleEntry/ModuleExit and by
// InitDll/ExitDll). A false result is reported to the host as a failed load.
bool InitModule();
bool DeinitModule();

namespace Steinberg
{

// The factory information of the module. Filled once per load.
const PFactoryInfo& pluginFactoryInfo();
// Registers the module's classes with a new factory, in the order the host
// should list them. Runs for every new factory; the records it hands over are
// filled once per load.
void registerPluginClasses(CPluginFactory& factory);

// The handle the host passed to ModuleEntry, or null outside a load.
void* getModuleHandle();

} // namespace Steinberg

extern "C"
{
    SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle);
    SMTG_EXPORT_SYMBOL bool ModuleExit();
    SMTG_EXPORT_SYMBOL bool InitDll();
    SMTG_EXPORT_SYMBOL bool ExitDll();
}
