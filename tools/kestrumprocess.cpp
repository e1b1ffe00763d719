// kestrum-process: runs WAV or FLAC files (or a built-in demo signal) through
// the Kestrum plug-in the way a host does, and reports what it removed.
#include "batch.h"
#include "demosignal.h"
#include "fileprocess.h"
#include "outputfile.h"
#include "pluginlocator.h"
#include "processoptions.h"
#include "processrunner.h"
#include "soundfile.h"
#include "toolstreams.h"

#include "module/kestrumparamids.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

using namespace KestrumTool;

namespace
{

constexpr char kProgramName[] = "kestrum-process";

int fail(const std::string& message)
{
    std::fprintf(toolErrors(), "%s: %s\n", kProgramName, message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    ProcessOptions options;
    std::string error;
    if (!parseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error))
    {
        std::cerr << kProgramName << ": " << error << "\n"
                  << "Try '" << kProgramName << " --help'.\n";
        return 2;
    }
    if (options.showHelp)
    {
        std::cout << usageText(kProgramName);
        return 0;
    }
    setUpToolStreams(options.verbose);
    removeTemporaryFilesOnSignals();
    if (options.batch)
        return runBatch(options, kProgramName);

    // Input and output first: a bad file name should not wait for the
    // plug-in, and the output exists only as a temporary file until the end.
    const RunSettings settings{options.blockSize, options.analyse, options.bypass};
    std::unique_ptr<AudioSource> demo;
    FileRun file;
    FileOutcome outcome;
    std::string inputName = "built-in demo signal";
    if (options.inputPath.empty())
        demo = std::make_unique<DemoSignal>();
    else
    {
        const FileJob job{options.inputPath, options.outputPath, {},
                          settings,          options.strict,     options.dither};
        if (!file.open(job, outcome))
            return fail(outcome.reason);
        inputName = options.inputPath;
    }
    const AudioSource& source = demo ? static_cast<const AudioSource&>(*demo) : file.input();

    const std::string pluginPath =
        options.pluginPath.empty() ? defaultPluginPath(options.useVst2) : options.pluginPath;
    if (pluginPath.empty())
        return fail("no Kestrum plug-in found in " + searchedPlaces(options.useVst2) +
                    "; name one with --plugin");
    std::unique_ptr<KestrumHost::HostedPlugin> plugin;
    {
        PluginDiagnosticsMuted muted;
        plugin = openPlugin(pluginPath, options.useVst2, error);
        if (plugin && !applySettings(*plugin, options, error))
            plugin.reset();
    }
    if (!plugin)
        return fail(error.rfind("the plug-in", 0) == 0 ? error
                                                       : "cannot use the plug-in: " + error);
    if (demo)
    {
        PluginDiagnosticsMuted muted;
        if (!plugin->start(source.sampleRate(), options.blockSize, source.channels()))
            return fail("the plug-in cannot process " + std::to_string(source.channels()) +
                        " channels at " + std::to_string(static_cast<int>(source.sampleRate())) +
                        " Hz");
    }
    else if (!file.start(*plugin, outcome))
        return fail(outcome.reason);

    const double seconds = static_cast<double>(source.frames()) / source.sampleRate();
    if (!options.quiet)
    {
        std::printf("Plug-in: %s (%s, %s)\n", plugin->name().c_str(),
                    options.useVst2 ? "VST 2" : "VST 3", pluginPath.c_str());
        std::printf("Input:   %s (%d ch, %.0f Hz, %.2f s)\n", inputName.c_str(), source.channels(),
                    source.sampleRate(), seconds);
        std::printf("Mode:    %s, bypass %s\n", plugin->getParameterText(Kestrum::kModeId).c_str(),
                    plugin->getParameterText(Kestrum::kBypassId).c_str());
        std::fflush(stdout);
    }

    ProgressBar progress(toolErrors(), source.frames(),
                         !options.quiet && ProgressBar::wanted(toolErrors(), seconds));
    bool processed = false;
    if (demo)
    {
        processed =
            runProcessing(*plugin, *demo, nullptr, settings, progress, outcome.figures, error);
        PluginDiagnosticsMuted muted;
        plugin->stop();
        outcome.reason = error;
    }
    else
        processed = file.run(*plugin, progress, outcome);
    for (const std::string& warning : outcome.warnings)
        std::fprintf(toolErrors(), "%s: warning: %s\n", kProgramName, warning.c_str());
    if (!processed)
        return fail(outcome.reason);

    if (!options.quiet)
    {
        if (options.analyse)
            printFigures(outcome.figures);
        if (!demo)
            std::printf("Output:  %s\n", options.outputPath.c_str());
    }
    return 0;
}
