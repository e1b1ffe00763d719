// Finds and opens the plug-in the tool runs: the one given on the command
// line, else an installed one, else the one built alongside the tool.
#pragma once

#include "host/hostedplugin.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace KestrumTool
{

// What the search for the plug-in depends on.
struct PluginSearch
{
    std::string home;                // empty: no per-user folder
    std::filesystem::path tool;      // the running program
    std::filesystem::path buildDir;  // the build tree the program came from, if any
    std::filesystem::path builtVst3; // the bundle built there
    std::filesystem::path builtVst2; // the VST 2 module built there
};

// This process's search: HOME, /proc/self/exe and the build it came from.
PluginSearch currentPluginSearch();

// The places searched for the VST 3 bundle or the VST 2 module, in order:
// the user's folder (~/.vst3, ~/.vst) as hosts search it first; the build's
// own plug-in when the program runs from its build tree; the prefix the
// program is installed under; then /usr/lib and /usr/local/lib as Linux hosts
// search them.
std::vector<std::filesystem::path> pluginCandidates(bool vst2, const PluginSearch& search);

// The first candidate present; empty when there is none.
std::string firstPresent(const std::vector<std::filesystem::path>& candidates);

// The plug-in this process uses when none is named; empty when none is found.
std::string defaultPluginPath(bool vst2);

// Says where the search looked, for a message when nothing was found.
std::string searchedPlaces(bool vst2);

// Opens the plug-in through its VST 3 or VST 2 interface. Null with a reason
// on failure, also when this build has no VST 2 hosting.
std::unique_ptr<KestrumHost::HostedPlugin> openPlugin(const std::string& path, bool vst2,
                                                      std::string& error);

} // namespace KestrumTool
