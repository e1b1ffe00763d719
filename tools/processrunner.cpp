#include "processrunner.h"

#include "countingsemaphore.h"
#include "levelmeter.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

namespace KestrumTool
{
namespace
{

// Enough chunks in flight for each thread to find work while the others are
// busy; each large enough that the hand-over (a wake-up on each side, costly
// in a virtual machine) is small next to its audio: 64k stereo frames, fewer
// frames for more channels so that memory stays the same.
constexpr int kChunks = 4;
constexpr std::int64_t kChunkSamples = 131072;

struct Chunk
{
    // Left uninitialised: the reader's first write touches each page, on its
    // own thread, instead of the plug-in's thread clearing megabytes up front.
    std::unique_ptr<float[]> samples;
    std::vector<float*> planes;     // the input channels, then the output channels
    std::vector<unsigned char> raw; // the source's bytes, when passed through
    std::int64_t frames = 0;
    bool last = false; // the end of the stream (frames may still hold audio)
};

// Chunks go round the ring in order: free -> filled by the reader ->
// processed by the calling thread -> metered and written, then free again.
// Every stage passes every chunk on until the one marked last, also after an
// error (then without doing its work), so no thread is ever left waiting.
class Pipeline
{
public:
    Pipeline(KestrumHost::HostedPlugin& plugin, AudioSource& source, AudioSink* sink,
             const RunSettings& settings, ProgressBar& progress);
    bool run(std::vector<ChannelFigures>& figures, std::string& error);
    std::int64_t framesDone() const { return written; }

private:
    void readAll();
    bool fill(Chunk& chunk);
    void processAll();
    void processChunk(Chunk& chunk);
    void writeAll();
    void endStreamWithoutReader();

    KestrumHost::HostedPlugin& plugin;
    AudioSource& source;
    AudioSink* sink;
    ProgressBar& progress;
    const int channels;
    const int blockSize;
    const std::int64_t chunkFrames;
    const bool passRaw;
    std::int64_t written = 0;
    std::vector<Chunk> ring;
    std::unique_ptr<LevelMeters> meters;
    // Per-thread pointer arrays, made before any audio flows.
    std::vector<float*> readPointers;
    std::vector<const float*> blockInputs;
    std::vector<float*> blockOutputs;

    CountingSemaphore freeChunks{kChunks};
    CountingSemaphore filledChunks;
    CountingSemaphore processedChunks;
    std::atomic<bool> stopped{false};
    std::string readError, processError, writeError;
};

Pipeline::Pipeline(KestrumHost::HostedPlugin& hosted, AudioSource& input, AudioSink* output,
                   const RunSettings& settings, ProgressBar& bar)
    : plugin(hosted), source(input), sink(output), progress(bar), channels(input.channels()),
      blockSize(settings.blockSize),
      // Whole blocks only, so that the plug-in sees blockSize frames every
      // time but the last.
      chunkFrames(settings.blockSize *
                  std::max<std::int64_t>(1, kChunkSamples / std::max(1, input.channels()) /
                                                settings.blockSize)),
      passRaw(settings.passRaw && source.rawFrameBytes() > 0 && sink && sink->acceptsRaw()),
      ring(kChunks), readPointers(static_cast<size_t>(channels)),
      blockInputs(static_cast<size_t>(channels)), blockOutputs(static_cast<size_t>(channels))
{
    const auto planeSize = static_cast<size_t>(chunkFrames);
    for (Chunk& chunk : ring)
    {
        chunk.samples.reset(new float[2 * static_cast<size_t>(channels) * planeSize]);
        for (size_t p = 0; p < 2 * static_cast<size_t>(channels); ++p)
            chunk.planes.push_back(chunk.samples.get() + p * planeSize);
        if (passRaw)
            chunk.raw.resize(planeSize * static_cast<size_t>(source.rawFrameBytes()));
    }
    if (settings.analyse)
        meters = std::make_unique<LevelMeters>(source.sampleRate(), 2 * channels);
}

bool Pipeline::run(std::vector<ChannelFigures>& figures, std::string& error)
{
    std::thread writer;
    std::thread reader;
    try
    {
        writer = std::thread(&Pipeline::writeAll, this);
    }
    catch (const std::system_error& e)
    {
        error = std::string("cannot start the writing thread: ") + e.what();
        return false;
    }
    try
    {
        reader = std::thread(&Pipeline::readAll, this);
    }
    catch (const std::system_error& e)
    {
        readError = std::string("cannot start the reading thread: ") + e.what();
        stopped = true;
        endStreamWithoutReader();
    }
    processAll();
    if (reader.joinable())
        reader.join();
    writer.join();

    for (const std::string* reason : {&readError, &processError, &writeError})
    {
        if (!reason->empty())
        {
            error = *reason;
            return false;
        }
    }
    figures.clear();
    if (meters)
    {
        for (int c = 0; c < channels; ++c)
            figures.push_back({meters->dcOffset(c), meters->dcOffset(channels + c),
                               meters->lowBandDb(c), meters->lowBandDb(channels + c)});
    }
    return true;
}

void Pipeline::readAll()
{
    for (std::int64_t index = 0;; ++index)
    {
        freeChunks.wait();
        Chunk& chunk = ring[static_cast<size_t>(index % kChunks)];
        chunk.frames = 0;
        chunk.last = stopped || !fill(chunk);
        const bool last = chunk.last;
        filledChunks.post();
        if (last)
            return;
    }
}

// False at the end of the source or on an error.
bool Pipeline::fill(Chunk& chunk)
{
    while (chunk.frames < chunkFrames)
    {
        for (size_t c = 0; c < readPointers.size(); ++c)
            readPointers[c] = chunk.planes[c] + chunk.frames;
        const std::int64_t wanted = chunkFrames - chunk.frames;
        const std::int64_t got =
            passRaw ? source.readRaw(readPointers.data(), wanted,
                                     chunk.raw.data() + chunk.frames * source.rawFrameBytes())
                    : source.read(readPointers.data(), wanted);
        if (got < 0)
        {
            readError = source.error();
            stopped = true;
        }
        if (got <= 0)
            return false;
        chunk.frames += got;
    }
    return true;
}

// The plug-in's thread: between blocks it only waits for the next chunk, as
// a host's audio thread waits for its next period.
void Pipeline::processAll()
{
    for (std::int64_t index = 0;; ++index)
    {
        filledChunks.wait();
        Chunk& chunk = ring[static_cast<size_t>(index % kChunks)];
        if (!stopped)
            processChunk(chunk);
        const bool last = chunk.last;
        processedChunks.post();
        if (last)
            return;
    }
}

void Pipeline::processChunk(Chunk& chunk)
{
    for (std::int64_t start = 0; start < chunk.frames; start += blockSize)
    {
        const auto frames =
            static_cast<int>(std::min<std::int64_t>(blockSize, chunk.frames - start));
        for (size_t c = 0; c < static_cast<size_t>(channels); ++c)
        {
            blockInputs[c] = chunk.planes[c] + start;
            blockOutputs[c] = chunk.planes[static_cast<size_t>(channels) + c] + start;
        }
        if (!plugin.process(blockInputs.data(), blockOutputs.data(), frames))
        {
            processError = "the plug-in failed to process a block";
            stopped = true;
            return;
        }
    }
}

void Pipeline::writeAll()
{
    std::int64_t done = 0;
    for (std::int64_t index = 0;; ++index)
    {
        processedChunks.wait();
        Chunk& chunk = ring[static_cast<size_t>(index % kChunks)];
        if (!stopped && chunk.frames > 0)
        {
            if (meters)
                meters->add(chunk.planes.data(), chunk.frames);
            const bool stored =
                !sink || (passRaw ? sink->writeRaw(chunk.raw.data(), chunk.frames)
                                  : sink->write(chunk.planes.data() + channels, chunk.frames));
            if (!stored)
            {
                writeError = sink->error();
                stopped = true;
            }
            done += chunk.frames;
            written = done;
            progress.update(done);
        }
        const bool last = chunk.last;
        freeChunks.post();
        if (last)
            return;
    }
}

void Pipeline::endStreamWithoutReader()
{
    freeChunks.wait();
    ring.front().frames = 0;
    ring.front().last = true;
    filledChunks.post();
}

} // namespace

bool runProcessing(KestrumHost::HostedPlugin& plugin, AudioSource& source, AudioSink* sink,
                   const RunSettings& settings, ProgressBar& progress,
                   std::vector<ChannelFigures>& figures, std::string& error, std::int64_t* frames)
{
    Pipeline pipeline(plugin, source, sink, settings, progress);
    const bool ok = pipeline.run(figures, error);
    progress.finish();
    if (frames)
        *frames = pipeline.framesDone();
    return ok;
}

} // namespace KestrumTool
