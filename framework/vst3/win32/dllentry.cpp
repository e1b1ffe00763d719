// The Windows entries. DllMain records the instance handle, through which
// the editor finds its pictures and registers its window class. InitDll and
// ExitDll are one function exported under both names (see the module's
// .def file): hosts call them around the factory's use, but the module does
// its loading on demand, so both only report success.
#include "vst3/moduleentry.h"

#include <windows.h>

extern "C"
{

    BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
    {
        if (reason == DLL_PROCESS_ATTACH)
            Steinberg::enterModule(instance);
        else if (reason == DLL_PROCESS_DETACH)
            Steinberg::exitModule();
        return TRUE;
    }

    bool moduleInitExitDll()
    {
        return true;
    }

} // extern "C"
