// A VST 3 module loaded the way a host of this platform loads one: the
// library, its load entry (ModuleEntry on Linux, InitDll on Windows),
// GetPluginFactory; on destruction the factory is released, the unload
// entry called and the library closed.
#pragma once

#include "host/sharedlibrary.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/base/smartpointer.h"

#include <memory>
#include <string>
#include <vector>

namespace KestrumHost
{

class Vst3Module
{
public:
    // Loads a bundle ("X.vst3", whose binary is Contents/x86_64-linux/X.so,
    // on Windows Contents/x86_64-win/X.vst3)
    // or a module binary given directly. Null with a reason on failure.
    static std::shared_ptr<Vst3Module> load(const std::string& path, std::string& error);

    // The binary a bundle path stands for; other paths are returned as given.
    static std::string binaryPath(const std::string& path);

    ~Vst3Module();
    Vst3Module(const Vst3Module&) = delete;
    Vst3Module& operator=(const Vst3Module&) = delete;

    Steinberg::IPluginFactory* factory() const { return pluginFactory; }
    const std::string& path() const { return modulePath; }

    // The class records, in factory order (from IPluginFactory2 when the
    // factory has it, else from the basic records).
    std::vector<Steinberg::PClassInfo2> classes() const;
    // The first class of the given category, e.g. kVstAudioEffectClass.
    bool findClass(const char* category, Steinberg::PClassInfo2& info) const;

    // A symbol of the loaded module, for tests that call its exports directly.
    void* symbol(const char* name) const;

private:
    Vst3Module() = default;

    std::unique_ptr<SharedLibrary> library;
    bool entered = false;
    Steinberg::IPtr<Steinberg::IPluginFactory> pluginFactory;
    std::string modulePath;
};

} // namespace KestrumHost
