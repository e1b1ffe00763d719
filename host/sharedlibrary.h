// The platform's way of loading a plug-in binary: dlopen on Linux,
// LoadLibraryW on Windows. Also what a host of that platform does around a
// VST 3 module's factory (ModuleEntry/ModuleExit, InitDll/ExitDll) and where
// a bundle keeps its binary.
#pragma once

#include <memory>
#include <string>

namespace KestrumHost
{

class SharedLibrary
{
public:
    // Null with a reason when the file cannot be loaded. Paths are UTF-8.
    static std::unique_ptr<SharedLibrary> open(const std::string& path, std::string& error);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    void* symbol(const char* name) const;
    void* nativeHandle() const { return handle; }

private:
    explicit SharedLibrary(void* h) : handle(h) {}
    void* handle;
};

// Calls the module's load entry, if it has one; false when it reports failure.
bool enterVst3Module(const SharedLibrary& library);
// Calls the matching unload entry.
void exitVst3Module(const SharedLibrary& library);
// The binary inside a bundle folder ("X.vst3/Contents/<arch>/X.<ext>").
std::string vst3BundleBinary(const std::string& bundle, const std::string& stem);

} // namespace KestrumHost
