// kestrum-process streaming files: what its reader, plug-in and writer
// threads produce is exactly what the plug-in gives block by block through
// the host library, for every file format and block size (the name puts the
// test in the thread-sanitizer run too); and its quiet and analysis-free
// modes.
#include "host/vst3plugin.h"
#include "module/kestrumparamids.h"
#include "support/tempdir.h"
#include "support/toolfiles.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sndfile.h>

using namespace KestrumTest;

namespace
{

// A 50 Hz square wave near full scale on a DC offset: the high-pass output
// overshoots full scale, so clipping is exercised too. Then quiet noise.
// Long enough for several rounds of the tool's ring of chunks, and not a
// whole number of blocks.
Audio loudThenQuiet(int channels, int format)
{
    Audio audio{channels, 48000, format, {}};
    const int frames = 3 * 48000 + 4321;
    unsigned noise = 12345;
    for (int i = 0; i < frames; ++i)
    {
        for (int c = 0; c < channels; ++c)
        {
            noise = noise * 1103515245u + 12345u;
            const float dither = static_cast<float>(noise >> 9) / 8388608.0f - 0.5f;
            const bool loud = i < frames / 2;
            const float square = ((i / (480 + 7 * c)) % 2) ? 0.95f : -0.75f;
            audio.samples.push_back(loud ? square : 0.01f * dither + 0.05f * c);
        }
    }
    return audio;
}

// The input file, with a text chunk written after the sample data in WAVs, so
// that the tool must stop reading at the end of the samples.
bool writeInput(const std::string& path, const Audio& audio)
{
    const bool wav = (audio.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV;
    return writeAudio(path, audio, wav ? "recorded on a noisy desk" : nullptr);
}

// What a host gets: the input file's floats through the plug-in of this
// build, blockSize frames at a time, written as libsndfile writes floats
// with clipping into the tool's output format. peak: the largest output
// sample before clipping.
bool writeReference(const std::string& input, const std::string& output, int blockSize, float& peak)
{
    Audio in;
    if (!readAudio(input, in))
        return false;
    std::string error;
    auto plugin = KestrumHost::Vst3Plugin::open(KESTRUM_VST3_BUNDLE_PATH, error);
    if (!plugin || !plugin->setParameter(Kestrum::kModeId, 1.0) ||
        !plugin->start(in.rate, blockSize, in.channels))
        return false;
    const auto channels = static_cast<size_t>(in.channels);
    const size_t frames = in.samples.size() / channels;
    std::vector<std::vector<float>> planes(channels, std::vector<float>(frames));
    std::vector<std::vector<float>> processed = planes;
    for (size_t i = 0; i < frames; ++i)
        for (size_t c = 0; c < channels; ++c)
            planes[c][i] = in.samples[i * channels + c];
    for (size_t start = 0; start < frames; start += static_cast<size_t>(blockSize))
    {
        std::vector<const float*> inputs;
        std::vector<float*> outputs;
        for (size_t c = 0; c < channels; ++c)
        {
            inputs.push_back(planes[c].data() + start);
            outputs.push_back(processed[c].data() + start);
        }
        const size_t n = std::min(frames - start, static_cast<size_t>(blockSize));
        if (!plugin->process(inputs.data(), outputs.data(), static_cast<int>(n)))
            return false;
    }
    plugin->stop();
    Audio out = in;
    for (size_t i = 0; i < frames; ++i)
        for (size_t c = 0; c < channels; ++c)
            out.samples[i * channels + c] = processed[c][i];
    peak = *std::max_element(out.samples.begin(), out.samples.end());

    SF_INFO info{};
    info.channels = out.channels;
    info.samplerate = out.rate;
    info.format = out.format;
    SNDFILE* file = sf_open(output.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const bool ok = sf_writef_float(file, out.samples.data(), static_cast<sf_count_t>(frames)) ==
                    static_cast<sf_count_t>(frames);
    return sf_close(file) == 0 && ok;
}

std::string contents(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(ProcessToolStream, ThreadedOutputIsBitIdenticalToThePluginBlockByBlock)
{
    TempDir dir;
    struct Case
    {
        const char* what;
        int format;
        int channels;
        int blockSize;
    };
    const Case cases[] = {
        {"24-bit WAV", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 512},
        {"24-bit WAV, 3 channels", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 3, 100},
        {"24-bit WAV, blocks of 1", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 1},
        {"16-bit WAV", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 4096},
        {"16-bit WAV, mono", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 333},
        {"float WAV", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 65536},
        {"24-bit FLAC", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2, 512},
        {"16-bit FLAC", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 17},
        {"8-bit WAV (through libsndfile's floats)", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 2, 512},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const bool flac = (c.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC;
        const std::string in = dir.file(flac ? "in.flac" : "in.wav");
        const std::string out = dir.file(flac ? "out.flac" : "out.wav");
        const std::string expected = dir.file(flac ? "expected.flac" : "expected.wav");
        ASSERT_TRUE(writeInput(in, loudThenQuiet(c.channels, c.format)));
        const auto run =
            runTool(dir, {"--mode", "guitar", "--block", std::to_string(c.blockSize), in, out});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        float peak = 0;
        ASSERT_TRUE(writeReference(in, expected, c.blockSize, peak));
        EXPECT_GT(peak, 1.0f); // the clipping path is reached

        Audio result, reference;
        ASSERT_TRUE(readAudio(out, result));
        ASSERT_TRUE(readAudio(expected, reference));
        EXPECT_EQ(result.format, c.format);
        ASSERT_EQ(result.samples.size(), reference.samples.size());
        if (flac)
        {
            // Whole files, headers included.
            EXPECT_TRUE(contents(out) == contents(expected));
            continue;
        }
        // The samples byte for byte; the chunks are the input's.
        std::vector<RiffChunk> written, wanted, original;
        readChunks(out, written);
        readChunks(expected, wanted);
        readChunks(in, original);
        original.erase(std::remove_if(original.begin(), original.end(),
                                      [](const RiffChunk& c) { return c.id == "PEAK"; }),
                       original.end());
        ASSERT_EQ(written.size(), original.size());
        for (size_t i = 0; i < written.size(); ++i)
        {
            const std::vector<RiffChunk>& source = written[i].id == "data" ? wanted : original;
            const auto same =
                std::find_if(source.begin(), source.end(),
                             [&](const RiffChunk& c) { return c.id == written[i].id; });
            ASSERT_NE(same, source.end()) << written[i].id;
            EXPECT_TRUE(*same == written[i]) << written[i].id;
        }
    }
}

TEST(ProcessToolStream, QuietPrintsOnlyErrorsAndNoAnalysisOnlySkipsTheFigures)
{
    TempDir dir;
    const std::string in = dir.file("in.wav");
    ASSERT_TRUE(writeAudio(in, offsetTone(SF_FORMAT_WAV | SF_FORMAT_PCM_24)));

    const auto normal = runTool(dir, {in, dir.file("normal.wav")});
    ASSERT_EQ(normal.exitCode, 0) << normal.err;
    EXPECT_NE(normal.out.find("DC before"), std::string::npos) << normal.out;

    const auto quiet = runTool(dir, {"--quiet", in, dir.file("quiet.wav")});
    ASSERT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_EQ(quiet.out, "");
    // The plug-in's own message log only with --verbose.
    EXPECT_EQ(quiet.err, "");
    const auto verbose = runTool(dir, {"--quiet", "--verbose", in, dir.file("verbose.wav")});
    ASSERT_EQ(verbose.exitCode, 0) << verbose.err;
    EXPECT_NE(verbose.err.find("[KestrumController] received: "), std::string::npos);

    const auto bare = runTool(dir, {"--no-analysis", in, dir.file("bare.wav")});
    ASSERT_EQ(bare.exitCode, 0) << bare.err;
    EXPECT_EQ(bare.out.find("DC before"), std::string::npos) << bare.out;
    EXPECT_NE(bare.out.find("Output:"), std::string::npos) << bare.out;

    const auto both = runTool(dir, {"-q", "--no-analysis", in, dir.file("both.wav")});
    ASSERT_EQ(both.exitCode, 0) << both.err;
    EXPECT_EQ(both.out, "");

    const std::string written = contents(dir.file("normal.wav"));
    EXPECT_FALSE(written.empty());
    for (const char* name : {"quiet.wav", "bare.wav", "both.wav"})
        EXPECT_TRUE(contents(dir.file(name)) == written) << name;

    // Errors still reach the user.
    const auto failed = runTool(dir, {"--quiet", dir.file("missing.wav"), dir.file("x.wav")});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.err.find("missing.wav"), std::string::npos) << failed.err;
}
