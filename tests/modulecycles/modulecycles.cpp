// Loads and unloads VST 3 modules again and again in one process, the way a
// host scans or a batch host opens and closes them, for valgrind's leak
// check and for timing scans. Links no drawing library of its own, so what
// a module maps for itself shows.
//
//   kestrum-modulecycles [--cycles N] [--editor] BUNDLE
//       N times: load, create the effect, start, process a block, stop,
//       release, unload. --editor also opens and closes the editor once, in
//       the first cycle ($DISPLAY needed). Prints "editor refused" and exits
//       with 3 when the editor does not attach.
//   kestrum-modulecycles --scan [--cycles N] BUNDLE...
//       N rounds, each scanning every bundle in turn: load, read the class
//       infos, release, unload. Prints each bundle's median and mean in ms.
#include "host/editorhost.h"
#include "host/vst3module.h"
#include "host/vst3plugin.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

namespace
{

constexpr int kBlock = 256;

enum Result
{
    kOk = 0,
    kFailed = 1,
    kUsage = 2,
    kEditorRefused = 3,
};

bool openEditor(KestrumHost::Vst3Plugin& plugin, bool& refused)
{
    Steinberg::IPtr<Steinberg::IPlugView> view =
        Steinberg::owned(plugin.controller()->createView("editor"));
    if (!view)
        return false;
    KestrumHost::EditorHost host;
    std::string error;
    if (!host.attach(view, error))
    {
        refused = true;
        return true;
    }
    host.run(50);
    return host.remove();
}

int runCycles(const std::string& bundle, int cycles, bool editor)
{
    std::vector<float> left(kBlock, 0.25f), right(kBlock, -0.25f), outLeft(kBlock),
        outRight(kBlock);
    const float* inputs[] = {left.data(), right.data()};
    float* outputs[] = {outLeft.data(), outRight.data()};
    for (int i = 0; i < cycles; ++i)
    {
        std::string error;
        auto plugin = KestrumHost::Vst3Plugin::open(bundle, error);
        if (!plugin || !plugin->start(48000, kBlock, 2) ||
            !plugin->process(inputs, outputs, kBlock))
        {
            std::fprintf(stderr, "cycle %d: %s\n", i, error.empty() ? "failed" : error.c_str());
            return kFailed;
        }
        if (editor && i == 0)
        {
            bool refused = false;
            if (!openEditor(*plugin, refused))
            {
                std::fprintf(stderr, "cycle %d: the editor did not open and close\n", i);
                return kFailed;
            }
            if (refused)
            {
                std::printf("editor refused\n");
                return kEditorRefused;
            }
            std::printf("editor opened\n");
        }
        plugin->stop();
    }
    std::printf("%d cycles\n", cycles);
    return kOk;
}

int runScans(const std::vector<std::string>& bundles, int rounds)
{
    using Clock = std::chrono::steady_clock;
    std::vector<std::vector<double>> times(bundles.size());
    for (int round = 0; round < rounds; ++round)
    {
        for (std::size_t b = 0; b < bundles.size(); ++b)
        {
            const auto start = Clock::now();
            std::string error;
            std::size_t classes = 0;
            {
                auto module = KestrumHost::Vst3Module::load(bundles[b], error);
                if (!module)
                {
                    std::fprintf(stderr, "%s: %s\n", bundles[b].c_str(), error.c_str());
                    return kFailed;
                }
                classes = module->classes().size();
            }
            times[b].push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            if (classes == 0)
            {
                std::fprintf(stderr, "%s: no classes\n", bundles[b].c_str());
                return kFailed;
            }
        }
    }
    for (std::size_t b = 0; b < bundles.size(); ++b)
    {
        std::vector<double>& t = times[b];
        std::sort(t.begin(), t.end());
        const double mean = std::accumulate(t.begin(), t.end(), 0.0) / t.size();
        std::printf("%-60s median %.3f ms  mean %.3f ms  (%zu scans)\n", bundles[b].c_str(),
                    t[t.size() / 2], mean, t.size());
    }
    return kOk;
}

} // namespace

int main(int argc, char** argv)
{
    int cycles = 200;
    bool editor = false;
    bool scan = false;
    std::vector<std::string> bundles;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--cycles") == 0 && i + 1 < argc)
            cycles = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--editor") == 0)
            editor = true;
        else if (std::strcmp(argv[i], "--scan") == 0)
            scan = true;
        else
            bundles.emplace_back(argv[i]);
    }
    if (cycles <= 0 || bundles.empty() || (!scan && bundles.size() != 1))
    {
        std::fprintf(stderr, "usage: %s [--scan] [--cycles N] [--editor] BUNDLE...\n", argv[0]);
        return kUsage;
    }
    return scan ? runScans(bundles, cycles) : runCycles(bundles.front(), cycles, editor);
}
