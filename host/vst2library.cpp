#include "host/vst2library.h"

#include <dlfcn.h>

namespace KestrumHost
{

std::shared_ptr<Vst2Library> Vst2Library::load(const std::string& path, std::string& error)
{
    std::shared_ptr<Vst2Library> library(new Vst2Library);
    library->libraryPath = path;
    library->handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library->handle)
    {
        const char* reason = dlerror();
        error = "cannot load '" + path + "': " + (reason ? reason : "unknown error");
        return nullptr;
    }
    library->mainFunction = reinterpret_cast<MainFunction>(dlsym(library->handle, "VSTPluginMain"));
    if (!library->mainFunction)
    {
        error = "'" + path + "' is not a VST 2 module (no VSTPluginMain)";
        return nullptr;
    }
    return library;
}

Vst2Library::~Vst2Library()
{
    if (handle)
        dlclose(handle);
}

} // namespace KestrumHost
