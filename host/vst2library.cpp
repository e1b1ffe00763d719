#include "host/vst2library.h"

namespace KestrumHost
{

std::shared_ptr<Vst2Library> Vst2Library::load(const std::string& path, std::string& error)
{
    std::shared_ptr<Vst2Library> library(new Vst2Library);
    library->libraryPath = path;
    library->library = SharedLibrary::open(path, error);
    if (!library->library)
        return nullptr;
    library->mainFunction =
        reinterpret_cast<MainFunction>(library->library->symbol("VSTPluginMain"));
    if (!library->mainFunction)
    {
        error = "'" + path + "' is not a VST 2 module (no VSTPluginMain)";
        return nullptr;
    }
    return library;
}

Vst2Library::~Vst2Library() = default;

} // namespace KestrumHost
