#include "host/sharedlibrary.h"

#include <dlfcn.h>

namespace KestrumHost
{

std::unique_ptr<SharedLibrary> SharedLibrary::open(const std::string& path, std::string& error)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
    {
        const char* reason = dlerror();
        error = "cannot load '" + path + "': " + (reason ? reason : "unknown error");
        return nullptr;
    }
    return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle));
}

SharedLibrary::~SharedLibrary()
{
    dlclose(handle);
}

void* SharedLibrary::symbol(const char* name) const
{
    return dlsym(handle, name);
}

// Hosts on Linux must call ModuleEntry with the library's handle before
// anything else.
bool enterVst3Module(const SharedLibrary& library)
{
    using ModuleEntryProc = bool (*)(void*);
    auto entry = reinterpret_cast<ModuleEntryProc>(library.symbol("ModuleEntry"));
    return !entry || entry(library.nativeHandle());
}

void exitVst3Module(const SharedLibrary& library)
{
    using ModuleExitProc = bool (*)();
    if (auto exitProc = reinterpret_cast<ModuleExitProc>(library.symbol("ModuleExit")))
        exitProc();
}

std::string vst3BundleBinary(const std::string& bundle, const std::string& stem)
{
    return bundle + "/Contents/x86_64-linux/" + stem + ".so";
}

} // namespace KestrumHost
