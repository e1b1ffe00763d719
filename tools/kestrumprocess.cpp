// kestrum-process: runs WAV or FLAC files (or a built-in demo signal) through
// the Kestrum plug-in the way a host does, and reports what it removed.
#include "demosignal.h"
#include "pluginlocator.h"
#include "processoptions.h"
#include "processrunner.h"
#include "soundfile.h"

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
    std::cerr << kProgramName << ": " << message << "\n";
    return 1;
}

std::string formatDb(double db)
{
    if (std::isinf(db) && db < 0)
        return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f dBFS", db);
    return text;
}

void printFigures(const std::vector<ChannelFigures>& figures)
{
    std::printf("%-8s %12s %12s %16s %16s\n", "channel", "DC before", "DC after", "<20 Hz before",
                "<20 Hz after");
    for (size_t c = 0; c < figures.size(); ++c)
    {
        const ChannelFigures& f = figures[c];
        std::printf("%-8zu %+12.6f %+12.6f %16s %16s\n", c + 1, f.dcBefore, f.dcAfter,
                    formatDb(f.lowBefore).c_str(), formatDb(f.lowAfter).c_str());
    }
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

    // Input and output first: a bad file name should not wait for the
    // plug-in, and the output exists only as a temporary file until the end.
    std::unique_ptr<AudioSource> source;
    std::unique_ptr<SoundFileWriter> writer;
    std::string inputName = "built-in demo signal";
    if (options.inputPath.empty())
        source = std::make_unique<DemoSignal>();
    else
    {
        auto reader = SoundFileReader::open(options.inputPath, error);
        if (!reader)
            return fail(error);
        writer = SoundFileWriter::create(options.outputPath, reader->channels(),
                                         static_cast<int>(reader->sampleRate()), reader->format(),
                                         error);
        if (!writer)
            return fail(error);
        inputName = options.inputPath;
        source = std::move(reader);
    }

    const std::string pluginPath =
        options.pluginPath.empty() ? defaultPluginPath(options.useVst2) : options.pluginPath;
    if (pluginPath.empty())
        return fail("no Kestrum plug-in found in " + searchedPlaces(options.useVst2) +
                    "; name one with --plugin");
    auto plugin = openPlugin(pluginPath, options.useVst2, error);
    if (!plugin)
        return fail("cannot use the plug-in: " + error);

    if (options.bypass && !plugin->setParameter(Kestrum::kBypassId, 1.0))
        return fail("the plug-in refused the bypass setting");
    if (options.modeValue >= 0.0 && !plugin->setParameter(Kestrum::kModeId, options.modeValue))
        return fail("the plug-in refused the mode setting");
    if (!plugin->start(source->sampleRate(), options.blockSize, source->channels()))
        return fail("the plug-in cannot process " + std::to_string(source->channels()) +
                    " channels at " + std::to_string(static_cast<int>(source->sampleRate())) +
                    " Hz");

    const double seconds = static_cast<double>(source->frames()) / source->sampleRate();
    if (!options.quiet)
    {
        std::printf("Plug-in: %s (%s, %s)\n", plugin->name().c_str(),
                    options.useVst2 ? "VST 2" : "VST 3", pluginPath.c_str());
        std::printf("Input:   %s (%d ch, %.0f Hz, %.2f s)\n", inputName.c_str(), source->channels(),
                    source->sampleRate(), seconds);
        std::printf("Mode:    %s, bypass %s\n", plugin->getParameterText(Kestrum::kModeId).c_str(),
                    plugin->getParameterText(Kestrum::kBypassId).c_str());
        std::fflush(stdout);
    }

    ProgressBar progress(stderr, source->frames(),
                         !options.quiet && ProgressBar::wanted(stderr, seconds));
    std::vector<ChannelFigures> figures;
    const RunSettings settings{options.blockSize, options.analyse};
    const bool processed =
        runProcessing(*plugin, *source, writer.get(), settings, progress, figures, error);
    plugin->stop();
    if (!processed)
        return fail(error);
    if (writer && !writer->commit())
        return fail(writer->error());

    if (!options.quiet)
    {
        if (options.analyse)
            printFigures(figures);
        if (writer)
            std::printf("Output:  %s\n", options.outputPath.c_str());
    }
    return 0;
}
