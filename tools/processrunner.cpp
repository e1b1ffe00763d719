#include "processrunner.h"

namespace KestrumTool
{

bool runProcessing(KestrumHost::HostedPlugin& plugin, AudioSource& source, AudioSink* sink,
                   int blockSize, ProgressBar& progress, std::vector<ChannelFigures>& figures,
                   std::string& error)
{
    const int channels = source.channels();
    const auto block = static_cast<size_t>(blockSize);
    std::vector<float> interleaved(block * static_cast<size_t>(channels));
    std::vector<std::vector<float>> input(static_cast<size_t>(channels), std::vector<float>(block));
    std::vector<std::vector<float>> output(static_cast<size_t>(channels),
                                           std::vector<float>(block));
    std::vector<const float*> inputPointers;
    std::vector<float*> outputPointers;
    for (int c = 0; c < channels; ++c)
    {
        inputPointers.push_back(input[static_cast<size_t>(c)].data());
        outputPointers.push_back(output[static_cast<size_t>(c)].data());
    }
    std::vector<LevelMeter> before(static_cast<size_t>(channels), LevelMeter(source.sampleRate()));
    std::vector<LevelMeter> after = before;

    std::int64_t done = 0;
    for (;;)
    {
        const std::int64_t got = source.read(interleaved.data(), blockSize);
        if (got < 0)
        {
            error = source.error();
            return false;
        }
        if (got == 0)
            break;
        const auto frames = static_cast<size_t>(got);
        for (size_t c = 0; c < static_cast<size_t>(channels); ++c)
        {
            for (size_t i = 0; i < frames; ++i)
                input[c][i] = interleaved[i * static_cast<size_t>(channels) + c];
            before[c].add(input[c].data(), got);
        }
        if (!plugin.process(inputPointers.data(), outputPointers.data(), static_cast<int>(got)))
        {
            error = "the plug-in failed to process a block";
            return false;
        }
        for (size_t c = 0; c < static_cast<size_t>(channels); ++c)
        {
            after[c].add(output[c].data(), got);
            for (size_t i = 0; i < frames; ++i)
                interleaved[i * static_cast<size_t>(channels) + c] = output[c][i];
        }
        if (sink && !sink->write(interleaved.data(), got))
        {
            error = sink->error();
            return false;
        }
        done += got;
        progress.update(done);
    }
    progress.finish();

    figures.assign(static_cast<size_t>(channels), {});
    for (size_t c = 0; c < static_cast<size_t>(channels); ++c)
        figures[c] = {before[c].dcOffset(), after[c].dcOffset(), before[c].lowBandDb(),
                      after[c].lowBandDb()};
    return true;
}

} // namespace KestrumTool
