#include "vst2opener.h"

#if __has_include("host/vst2plugin.h")
#include "host/vst2plugin.h"
#define KESTRUM_TOOL_HAS_VST2 1
#endif

namespace KestrumTool
{

std::unique_ptr<KestrumHost::HostedPlugin> openVst2Plugin(const std::string& path,
                                                          std::string& error)
{
#ifdef KESTRUM_TOOL_HAS_VST2
    return KestrumHost::Vst2Plugin::open(path, error);
#else
    (void)path;
    error = "this build of kestrum-process cannot host VST 2 plug-ins";
    return nullptr;
#endif
}

} // namespace KestrumTool
