// kestrum-process: its command line on its own, then the built
// tool run on generated files as a user would run it.
#include "processoptions.h"
#include "support/tempdir.h"
#include "support/toolfiles.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <sndfile.h>

using namespace KestrumTest;
using namespace KestrumTool;

TEST(ProcessOptions, AcceptedCommandLines)
{
    struct Case
    {
        std::vector<std::string> args;
        double mode;
        bool bypass;
        int block;
        bool vst2;
        std::string input, output, plugin;
    };
    const Case cases[] = {
        {{}, -1.0, false, 512, false, "", "", ""},
        {{"--mode", "super-low"}, 0.0, false, 512, false, "", "", ""},
        {{"--mode", "bass-drop", "a.wav", "b.wav"}, 0.5, false, 512, false, "a.wav", "b.wav", ""},
        {{"in.flac", "--mode", "guitar", "out.flac", "--bypass"},
         1.0,
         true,
         512,
         false,
         "in.flac",
         "out.flac",
         ""},
        {{"--block", "1", "--vst2", "--plugin", "/p/x.so"},
         -1.0,
         false,
         1,
         true,
         "",
         "",
         "/p/x.so"},
        {{"--block", "65536"}, -1.0, false, 65536, false, "", "", ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.args));
        ProcessOptions options;
        std::string error;
        ASSERT_TRUE(parseOptions(c.args, options, error)) << error;
        EXPECT_EQ(options.modeValue, c.mode);
        EXPECT_EQ(options.bypass, c.bypass);
        EXPECT_EQ(options.blockSize, c.block);
        EXPECT_EQ(options.useVst2, c.vst2);
        EXPECT_EQ(options.inputPath, c.input);
        EXPECT_EQ(options.outputPath, c.output);
        EXPECT_EQ(options.pluginPath, c.plugin);
        EXPECT_FALSE(options.quiet);
        EXPECT_TRUE(options.analyse);
    }
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-q", "--no-analysis", "a.wav", "b.wav"},
          std::vector<std::string>{"a.wav", "--no-analysis", "b.wav", "--quiet"}})
    {
        SCOPED_TRACE(testing::PrintToString(args));
        ProcessOptions options;
        std::string error;
        ASSERT_TRUE(parseOptions(args, options, error)) << error;
        EXPECT_TRUE(options.quiet);
        EXPECT_FALSE(options.analyse);
        EXPECT_EQ(options.outputPath, "b.wav");
    }
}

TEST(ProcessOptions, RefusedCommandLinesSayWhy)
{
    struct Case
    {
        std::vector<std::string> args;
        std::string mentions;
    };
    const Case cases[] = {
        {{"--mode"}, "--mode"},
        {{"--mode", "loud"}, "loud"},
        {{"--block", "0"}, "0"},
        {{"--block", "65537"}, "65537"},
        {{"--block", "-5"}, "-5"},
        {{"--block", "12x"}, "12x"},
        {{"--block"}, "--block"},
        {{"--plugin"}, "--plugin"},
        {{"--fast"}, "--fast"},
        {{"only-input.wav"}, "output"},
        {{"a.wav", "b.wav", "c.wav"}, "too many"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(c.args));
        ProcessOptions options;
        std::string error;
        EXPECT_FALSE(parseOptions(c.args, options, error));
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    }
    ProcessOptions options;
    std::string error;
    ASSERT_TRUE(parseOptions({"--help", "in.wav"}, options, error)) << error;
    EXPECT_TRUE(options.showHelp);
}

TEST(ProcessTool, RemovesDcFromWavAndFlacKeepingTheFormat)
{
    TempDir dir;
    for (int format : {SF_FORMAT_WAV | SF_FORMAT_PCM_24, SF_FORMAT_WAV | SF_FORMAT_FLOAT,
                       SF_FORMAT_FLAC | SF_FORMAT_PCM_16})
    {
        SCOPED_TRACE(format);
        const bool flac = (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC;
        const std::string in = dir.file(flac ? "in.flac" : "in.wav");
        const std::string out = dir.file(flac ? "out.flac" : "out.wav");
        ASSERT_TRUE(writeAudio(in, offsetTone(format)));
        const auto run = runTool(dir, {"--mode", "guitar", "--block", "100", in, out});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.out.find("guitar"), std::string::npos) << run.out;

        Audio result;
        ASSERT_TRUE(readAudio(out, result));
        EXPECT_EQ(result.format, format);
        EXPECT_EQ(result.channels, 2);
        EXPECT_EQ(result.rate, 48000);
        EXPECT_EQ(result.samples.size(), offsetTone(format).samples.size());
        EXPECT_NEAR(meanOfLastSecond(result, 0), 0.0, 2e-3);
        EXPECT_NEAR(meanOfLastSecond(result, 1), 0.0, 2e-3);
        // The printed figures: DC before as generated, and well down after.
        const double dc[2] = {0.25, -0.2};
        for (int channel = 1; channel <= 2; ++channel)
        {
            double before = 0, after = 1, lowBefore = 0, lowAfter = 0;
            ASSERT_TRUE(printedRow(run.out, channel, before, after, lowBefore, lowAfter))
                << run.out;
            EXPECT_NEAR(before, dc[channel - 1], 1e-4);
            EXPECT_LT(std::fabs(after), 1e-3);
            EXPECT_LT(lowAfter, lowBefore - 40.0);
        }
    }
}

TEST(ProcessTool, BypassWritesTheInputUnchanged)
{
    TempDir dir;
    const std::string in = dir.file("in.wav");
    const std::string out = dir.file("out.wav");
    const Audio original = offsetTone(SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    ASSERT_TRUE(writeAudio(in, original));
    const auto run = runTool(dir, {"--bypass", in, out});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Audio input, output;
    ASSERT_TRUE(readAudio(in, input));
    ASSERT_TRUE(readAudio(out, output));
    EXPECT_EQ(output.format, input.format);
    EXPECT_TRUE(output.samples == input.samples);
}

TEST(ProcessTool, BadInputsFailCleanlyWithoutOutput)
{
    TempDir dir;
    const std::string wav = dir.file("good.wav");
    ASSERT_TRUE(writeAudio(wav, offsetTone(SF_FORMAT_WAV | SF_FORMAT_PCM_16)));
    const std::string text = dir.file("notes.wav");
    std::ofstream(text) << "this is not audio\n";
    const std::string aiff = dir.file("other.aiff");
    ASSERT_TRUE(writeAudio(aiff, offsetTone(SF_FORMAT_AIFF | SF_FORMAT_PCM_16)));

    struct Case
    {
        const char* what;
        std::vector<std::string> args;
        int exitCode;
        std::string mentions;
    };
    const Case cases[] = {
        {"missing input", {dir.file("none.wav"), dir.file("out.wav")}, 1, "none.wav"},
        {"input is not audio", {text, dir.file("out.wav")}, 1, "notes.wav"},
        {"input is a folder", {dir.path().string(), dir.file("out.wav")}, 1, "folder"},
        {"unsupported input format", {aiff, dir.file("out.wav")}, 1, "WAV or FLAC"},
        {"unsupported output format", {wav, dir.file("out.mp3")}, 1, ".wav and .flac"},
        {"output folder missing", {wav, dir.file("nowhere/out.wav")}, 1, "nowhere"},
        {"plug-in missing",
         {"--plugin", dir.file("No.vst3"), wav, dir.file("out.wav")},
         1,
         "No.so"},
        {"unknown option", {"--fast", wav, dir.file("out.wav")}, 2, "--fast"},
        {"bad block size", {"--block", "0", wav, dir.file("out.wav")}, 2, "block"},
    };
    const auto before = dir.entries();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const auto run = runTool(dir, c.args);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_NE(run.err.find(c.mentions), std::string::npos) << run.err;
        // Neither the output nor a temporary file is left behind.
        EXPECT_EQ(dir.entries(), before);
    }
}

TEST(ProcessTool, DemoRunsWithoutArgumentsThroughTheBuiltPlugin)
{
    TempDir home;
    const auto run = runTool(home, {});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("built-in demo signal (2 ch, 48000 Hz, 4.00 s)"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find(KESTRUM_VST3_BUNDLE_PATH), std::string::npos) << run.out;
    // The demo's offsets (+0.2, -0.15) and rumble are gone afterwards.
    const double dc[2] = {0.2, -0.15};
    for (int channel = 1; channel <= 2; ++channel)
    {
        double before = 0, after = 1, lowBefore = 0, lowAfter = 0;
        ASSERT_TRUE(printedRow(run.out, channel, before, after, lowBefore, lowAfter)) << run.out;
        EXPECT_NEAR(before, dc[channel - 1], 1e-6);
        EXPECT_LT(std::fabs(after), 1e-3);
        EXPECT_LT(lowAfter, lowBefore - 40.0);
    }
    EXPECT_EQ(home.entries(), std::vector<std::string>{}); // nothing written
}

TEST(ProcessTool, Vst2InterfaceGivesTheSameOutputAsVst3)
{
    TempDir dir;
    const std::string in = dir.file("in.wav");
    ASSERT_TRUE(writeAudio(in, offsetTone(SF_FORMAT_WAV | SF_FORMAT_FLOAT)));
    const auto viaVst3 = runTool(dir, {"--mode", "super-low", in, dir.file("vst3.wav")});
    ASSERT_EQ(viaVst3.exitCode, 0) << viaVst3.err;
    const auto viaVst2 = runTool(dir, {"--vst2", "--mode", "super-low", in, dir.file("vst2.wav")});
    ASSERT_EQ(viaVst2.exitCode, 0) << viaVst2.err;
    EXPECT_NE(viaVst2.out.find("(VST 2, " KESTRUM_VST2_MODULE_PATH ")"), std::string::npos)
        << viaVst2.out;
    Audio a, b;
    ASSERT_TRUE(readAudio(dir.file("vst3.wav"), a));
    ASSERT_TRUE(readAudio(dir.file("vst2.wav"), b));
    EXPECT_TRUE(a.samples == b.samples);
}
