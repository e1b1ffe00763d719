// Opens a VST 2 module. Kept apart from the VST 3 side because the VST 2
// declarations and the VST 3 SDK headers cannot share a translation unit.
#pragma once

#include "host/hostedplugin.h"

#include <memory>
#include <string>

namespace KestrumTool
{

// Null with a reason on failure, also when this build has no VST 2 hosting.
std::unique_ptr<KestrumHost::HostedPlugin> openVst2Plugin(const std::string& path,
                                                          std::string& error);

} // namespace KestrumTool
