// Finds and opens the plug-in the tool runs: the one given on the command
// line, else the installed one, else the one built alongside the tool.
#pragma once

#include "host/hostedplugin.h"

#include <memory>
#include <string>

namespace KestrumTool
{

// The installed VST 3 bundle or VST 2 module if present, else the build's.
std::string defaultPluginPath(bool vst2);

// Opens the plug-in through its VST 3 or VST 2 interface. Null with a reason
// on failure, also when this build has no VST 2 hosting.
std::unique_ptr<KestrumHost::HostedPlugin> openPlugin(const std::string& path, bool vst2,
                                                      std::string& error);

} // namespace KestrumTool
