// Load and unload hooks. The plug-in keeps no module-wide resources: its
// pictures are compiled in and its objects are made on demand.
#include "vst3/moduleentry.h"

bool InitModule()
{
    return true;
}

bool DeinitModule()
{
    return true;
}
