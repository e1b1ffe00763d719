// The Linux entries: hosts call ModuleEntry with the dlopen handle before
// anything else and ModuleExit before dlclose. InitDll/ExitDll are kept for
// hosts that call the Windows names on every platform.
#include "vst3/moduleentry.h"

extern "C"
{

    SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle)
    {
        return Steinberg::enterModule(sharedLibraryHandle);
    }

    SMTG_EXPORT_SYMBOL bool ModuleExit()
    {
        return Steinberg::exitModule();
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
