// The tool's own error stream, kept apart from the plug-in's: the plug-in
// writes diagnostics to stderr, which only --verbose shows. Around the
// plug-in's calls that print (loading, settings, start and stop) the
// process's stderr points at /dev/null, and the tool writes its errors,
// warnings and progress to a copy of the original stream.
#pragma once

#include <cstdio>

namespace KestrumTool
{

// Once, before anything is printed.
void setUpToolStreams(bool showPluginDiagnostics);

// Where the tool's own errors and warnings go.
std::FILE* toolErrors();

// While one of these lives (on any thread), the plug-in's writes to stderr
// go nowhere, unless its diagnostics were asked for.
class PluginDiagnosticsMuted
{
public:
    PluginDiagnosticsMuted();
    ~PluginDiagnosticsMuted();
    PluginDiagnosticsMuted(const PluginDiagnosticsMuted&) = delete;
    PluginDiagnosticsMuted& operator=(const PluginDiagnosticsMuted&) = delete;
};

} // namespace KestrumTool
