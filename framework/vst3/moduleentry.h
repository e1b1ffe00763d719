// The module's entry points and the hooks a plug-in supplies to them.
//
// Every platform exports GetPluginFactory. The load and unload entries are
// the platform's own (linux/, win32/): ModuleEntry/ModuleExit with the
// dlopen handle on Linux, DllMain and InitDll/ExitDll on Windows. A
// plug-in defines the four hooks below once; the entry code calls them.
#pragma once

#include "vst3/pluginfactory.h"

// Called on module load and unload. A false result is reported to the host
// as a failed load.
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

// The handle the platform gave the module on load (the dlopen handle, the
// DLL's instance handle), or null outside a load.
void* getModuleHandle();

// Counted load and unload for the platform entries: only the first entry
// and the matching last exit run the hooks. An exit without an entry
// returns false and changes nothing.
bool enterModule(void* handle);
bool exitModule();

} // namespace Steinberg
