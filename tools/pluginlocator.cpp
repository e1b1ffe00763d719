#include "pluginlocator.h"

#include "host/vst3plugin.h"
#include "vst2opener.h"

#include <algorithm>
#include <cstdlib>

namespace KestrumTool
{
namespace
{

namespace fs = std::filesystem;

constexpr char kBundleName[] = "Tavrek Kestrum.vst3";
constexpr char kVst2ModuleName[] = "TK Kestrum VST2.so";

bool isInside(const fs::path& path, const fs::path& folder)
{
    if (folder.empty())
        return false;
    return std::mismatch(folder.begin(), folder.end(), path.begin(), path.end()).first ==
           folder.end();
}

} // namespace

PluginSearch currentPluginSearch()
{
    PluginSearch search;
    if (const char* home = std::getenv("HOME"))
        search.home = home;
    std::error_code ec;
    search.tool = fs::read_symlink("/proc/self/exe", ec);
#if defined(KESTRUM_BUILD_DIR_OF_TOOL)
    search.buildDir = KESTRUM_BUILD_DIR_OF_TOOL;
    search.builtVst3 = KESTRUM_BUILD_VST3_BUNDLE;
    search.builtVst2 = KESTRUM_BUILD_VST2_MODULE;
#endif
    return search;
}

std::vector<fs::path> pluginCandidates(bool vst2, const PluginSearch& search)
{
    const fs::path name = vst2 ? kVst2ModuleName : kBundleName;
    const char* const libFolder = vst2 ? "vst" : "vst3";
    std::vector<fs::path> candidates;
    if (!search.home.empty())
        candidates.push_back(fs::path(search.home) / (vst2 ? ".vst" : ".vst3") / name);
    // A developer running the tool from the build wants the plug-in of the
    // same build, not an older one installed on the machine.
    const fs::path& built = vst2 ? search.builtVst2 : search.builtVst3;
    if (!built.empty() && isInside(search.tool, search.buildDir))
        candidates.push_back(built);
    std::vector<fs::path> prefixes;
    if (!search.tool.empty())
        prefixes.push_back(search.tool.parent_path().parent_path());
    prefixes.insert(prefixes.end(), {"/usr", "/usr/local"});
    for (const auto& prefix : prefixes)
    {
        const fs::path candidate = prefix / "lib" / libFolder / name;
        if (std::find(candidates.begin(), candidates.end(), candidate) == candidates.end())
            candidates.push_back(candidate);
    }
    return candidates;
}

std::string firstPresent(const std::vector<fs::path>& candidates)
{
    std::error_code ec;
    for (const auto& candidate : candidates)
    {
        if (fs::exists(candidate, ec))
            return candidate.string();
    }
    return {};
}

std::string defaultPluginPath(bool vst2)
{
    return firstPresent(pluginCandidates(vst2, currentPluginSearch()));
}

std::string searchedPlaces(bool vst2)
{
    std::string text;
    for (const auto& candidate : pluginCandidates(vst2, currentPluginSearch()))
        text += (text.empty() ? "" : ", ") + candidate.parent_path().string();
    return text;
}

std::unique_ptr<KestrumHost::HostedPlugin> openPlugin(const std::string& path, bool vst2,
                                                      std::string& error)
{
    if (!vst2)
        return KestrumHost::Vst3Plugin::open(path, error);
    return openVst2Plugin(path, error);
}

} // namespace KestrumTool
