#include "gui/x11/lazylibrary.h"

#include <cstdio>
#include <dlfcn.h>

namespace VSTGUI
{
namespace Lazy
{

void* openForever(const char* soname)
{
    // RTLD_NODELETE as well as never closing: a host that loaded the same
    // library for itself may close its own handle, and ours stays valid.
    void* library = dlopen(soname, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!library)
        std::fprintf(stderr, "editor: cannot load %s: %s\n", soname, dlerror());
    return library;
}

bool resolveAddress(void* library, const char* name, void*& address)
{
    dlerror();
    address = dlsym(library, name);
    if (address)
        return true;
    const char* reason = dlerror();
    std::fprintf(stderr, "editor: %s not found: %s\n", name, reason ? reason : "null");
    return false;
}

} // namespace Lazy
} // namespace VSTGUI
