// Windows editors get their events through window messages and their idle
// through SetTimer: nothing registers a descriptor, and the loop only
// sleeps until its next timer.
#include "vst3/pollwait.h"

#include <windows.h>

namespace Steinberg
{
namespace Vst
{

bool waitForReadable(const std::vector<int>& descriptors, std::vector<bool>& readable,
                     int timeoutMs)
{
    readable.assign(descriptors.size(), false);
    if (timeoutMs > 0)
        Sleep(static_cast<DWORD>(timeoutMs));
    return false;
}

} // namespace Vst
} // namespace Steinberg
