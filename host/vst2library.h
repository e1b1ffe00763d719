// A VST 2 module loaded the way a VST 2 host loads one: the library
// (dlopen, LoadLibraryW) and its VSTPluginMain export. The library stays
// loaded while any effect made from it is alive (each effect holds a shared
// reference).
#pragma once

#include "host/sharedlibrary.h"
#include "vst2/vst2abi.h"

#include <memory>
#include <string>

namespace KestrumHost
{

class Vst2Library
{
public:
    using MainFunction = AEffect* (*)(audioMasterCallback host);

    // Null with a reason when the file cannot be loaded or has no
    // VSTPluginMain.
    static std::shared_ptr<Vst2Library> load(const std::string& path, std::string& error);

    ~Vst2Library();
    Vst2Library(const Vst2Library&) = delete;
    Vst2Library& operator=(const Vst2Library&) = delete;

    MainFunction main() const { return mainFunction; }
    const std::string& path() const { return libraryPath; }

private:
    Vst2Library() = default;

    std::unique_ptr<SharedLibrary> library;
    MainFunction mainFunction = nullptr;
    std::string libraryPath;
};

} // namespace KestrumHost
