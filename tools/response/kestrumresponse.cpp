// kestrum-response: plots the frequency response of the three modes, measured
// from the plug-in's impulse response at a given sample rate.
//
//   kestrum-response [--plugin PATH] [--vst2] [--rate HZ] [--output FILE.png]
#include "pluginlocator.h"
#include "responseplot.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace KestrumTool;

namespace
{

int usage()
{
    std::fprintf(stderr, "usage: kestrum-response [--plugin PATH] [--vst2] [--rate HZ] "
                         "[--output FILE.png]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string pluginPath, output = "kestrum-response.png";
    bool vst2 = false;
    double rate = 44100.0;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--plugin" && hasValue)
            pluginPath = argv[++i];
        else if (arg == "--output" && hasValue)
            output = argv[++i];
        else if (arg == "--rate" && hasValue)
        {
            char* end = nullptr;
            rate = std::strtod(argv[++i], &end);
            if (!end || *end || !(rate >= 8000.0 && rate <= 768000.0))
                return usage();
        }
        else if (arg == "--vst2")
            vst2 = true;
        else
            return usage();
    }
    if (pluginPath.empty())
        pluginPath = defaultPluginPath(vst2);
    if (pluginPath.empty())
    {
        std::fprintf(stderr,
                     "kestrum-response: no Kestrum plug-in found in %s; name one with "
                     "--plugin\n",
                     searchedPlaces(vst2).c_str());
        return 1;
    }
    std::printf("plug-in: %s (%s)\n", pluginPath.c_str(), vst2 ? "VST 2" : "VST 3");

    const struct
    {
        const char* label;
        double value;
    } modes[] = {{"super low", 0.0}, {"bass drop", 0.5}, {"guitar", 1.0}};
    const auto frequencies = logFrequencies(1.0, 1000.0, 120);
    const int frames = static_cast<int>(rate * 4); // long enough for the 5 Hz mode to settle

    std::vector<ResponseCurve> curves;
    for (const auto& mode : modes)
    {
        std::string error;
        auto plugin = openPlugin(pluginPath, vst2, error);
        if (!plugin)
        {
            std::fprintf(stderr, "kestrum-response: %s\n", error.c_str());
            return 1;
        }
        ResponseCurve curve{mode.label, frequencies, {}};
        if (!plugin->setParameter(1, mode.value) || !plugin->start(rate, 512, 2) ||
            !measureResponse(*plugin, rate, 2, frames, frequencies, curve.gainsDb))
        {
            std::fprintf(stderr, "kestrum-response: %s refused to process\n",
                         plugin->name().c_str());
            return 1;
        }
        plugin->stop();
        std::printf("%-10s -3 dB at %6.2f Hz, %+.6f dB at 1 kHz\n", mode.label,
                    minus3dBFrequency(curve), curve.gainsDb.back());
        curves.push_back(std::move(curve));
    }

    char title[96];
    std::snprintf(title, sizeof(title), "Kestrum frequency response at %.0f Hz", rate);
    std::string error;
    if (!drawResponsePlot(curves, PlotRange{}, title, output, error))
    {
        std::fprintf(stderr, "kestrum-response: %s\n", error.c_str());
        return 1;
    }
    std::printf("wrote %s\n", output.c_str());
    return 0;
}
