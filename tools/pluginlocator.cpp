#include "pluginlocator.h"

#include "host/vst3plugin.h"
#include "vst2opener.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace KestrumTool
{
namespace
{

constexpr char kBundleName[] = "Tavrek Kestrum.vst3";
constexpr char kVst2ModuleName[] = "TK Kestrum VST2.so";

} // namespace

std::string defaultPluginPath(bool vst2)
{
    namespace fs = std::filesystem;
    const fs::path name = vst2 ? kVst2ModuleName : kBundleName;
    std::vector<fs::path> candidates;
    // The user's own plug-in folder first, as hosts search it first.
    if (const char* home = std::getenv("HOME"))
        candidates.push_back(fs::path(home) / (vst2 ? ".vst" : ".vst3") / name);
    // Then the plug-in installed under the same prefix as this tool.
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec)
        candidates.push_back(self.parent_path().parent_path() / "lib" / (vst2 ? "vst" : "vst3") /
                             name);
    for (const auto& candidate : candidates)
    {
        if (fs::exists(candidate, ec))
            return candidate.string();
    }
    return vst2 ? KESTRUM_BUILD_VST2_MODULE : KESTRUM_BUILD_VST3_BUNDLE;
}

std::unique_ptr<KestrumHost::HostedPlugin> openPlugin(const std::string& path, bool vst2,
                                                      std::string& error)
{
    if (!vst2)
        return KestrumHost::Vst3Plugin::open(path, error);
    return openVst2Plugin(path, error);
}

} // namespace KestrumTool
