#include "host/vst3module.h"

#include <cstring>
#include <filesystem>

using namespace Steinberg;

namespace KestrumHost
{
std::string Vst3Module::binaryPath(const std::string& path)
{
    namespace fs = std::filesystem;
    fs::path bundle(path);
    if (!bundle.has_filename())
        bundle = bundle.parent_path(); // "X.vst3/"
    // A bundle is a folder; a missing one is named as its binary so that
    // the error says what was looked for.
    std::error_code ec;
    if (fs::is_regular_file(bundle, ec) ||
        (!fs::is_directory(bundle, ec) && bundle.extension() != ".vst3"))
        return path;
    return vst3BundleBinary(bundle.string(), bundle.stem().string());
}

std::shared_ptr<Vst3Module> Vst3Module::load(const std::string& path, std::string& error)
{
    std::shared_ptr<Vst3Module> module(new Vst3Module);
    module->modulePath = binaryPath(path);

    module->library = SharedLibrary::open(module->modulePath, error);
    if (!module->library)
        return nullptr;
    if (!enterVst3Module(*module->library))
    {
        error = "'" + module->modulePath + "': the module's load entry failed";
        return nullptr;
    }
    module->entered = true;

    auto getFactory = reinterpret_cast<GetFactoryProc>(module->symbol("GetPluginFactory"));
    if (!getFactory)
    {
        error = "'" + module->modulePath + "' is not a VST 3 module (no GetPluginFactory)";
        return nullptr;
    }
    // GetPluginFactory hands over a reference: take it without adding one.
    module->pluginFactory = owned(getFactory());
    if (!module->pluginFactory)
    {
        error = "'" + module->modulePath + "': GetPluginFactory returned no factory";
        return nullptr;
    }
    return module;
}

Vst3Module::~Vst3Module()
{
    pluginFactory = nullptr;
    if (entered)
        exitVst3Module(*library);
}

void* Vst3Module::symbol(const char* name) const
{
    return library ? library->symbol(name) : nullptr;
}

std::vector<PClassInfo2> Vst3Module::classes() const
{
    std::vector<PClassInfo2> result;
    if (!pluginFactory)
        return result;
    FUnknownPtr<IPluginFactory2> factory2(pluginFactory);
    const int32 count = pluginFactory->countClasses();
    for (int32 i = 0; i < count; ++i)
    {
        PClassInfo2 info;
        if (factory2 && factory2->getClassInfo2(i, &info) == kResultOk)
        {
            result.push_back(info);
            continue;
        }
        PClassInfo basic;
        if (pluginFactory->getClassInfo(i, &basic) == kResultOk)
        {
            std::memcpy(info.cid, basic.cid, sizeof(TUID));
            info.cardinality = basic.cardinality;
            std::memcpy(info.category, basic.category, sizeof(info.category));
            std::memcpy(info.name, basic.name, sizeof(info.name));
            result.push_back(info);
        }
    }
    return result;
}

bool Vst3Module::findClass(const char* category, PClassInfo2& info) const
{
    for (const auto& candidate : classes())
    {
        if (std::strncmp(candidate.category, category, sizeof(candidate.category)) == 0)
        {
            info = candidate;
            return true;
        }
    }
    return false;
}

} // namespace KestrumHost
