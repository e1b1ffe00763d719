// kestrum-process on many files: the command line of its batch forms, and
// one library taken through them run after run as a user would.
#include "processoptions.h"
#include "support/tempdir.h"
#include "support/toolfiles.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <sndfile.h>

using namespace KestrumTest;
using namespace KestrumTool;
namespace fs = std::filesystem;

TEST(ProcessOptions, BatchFormsAndTheirRefusals)
{
    struct Accepted
    {
        std::vector<std::string> args;
        size_t inputs;
        bool inPlace, analyze;
    };
    const Accepted accepted[] = {
        {{"a.wav", "b.wav", "c.wav", "--output-dir", "o"}, 3, false, false},
        {{"-r", "-j", "2", "lib", "--output-dir", "o", "--force", "--json", "-"}, 1, false, false},
        {{"--in-place", "--backup", ".orig", "a.wav"}, 1, true, false},
        {{"--analyze", "a.wav", "b.flac"}, 2, false, true},
    };
    for (const Accepted& c : accepted)
    {
        SCOPED_TRACE(testing::PrintToString(c.args));
        ProcessOptions options;
        std::string error;
        ASSERT_TRUE(parseOptions(c.args, options, error)) << error;
        EXPECT_TRUE(options.batch);
        EXPECT_EQ(options.inputs.size(), c.inputs);
        EXPECT_EQ(options.inPlace, c.inPlace);
        EXPECT_EQ(options.analyzeOnly, c.analyze);
    }
    struct Refused
    {
        std::vector<std::string> args;
        std::string mentions;
    };
    const Refused refused[] = {
        {{"--in-place", "--output-dir", "o", "a.wav"}, "exclude"},
        {{"--backup", ".b", "a.wav", "--output-dir", "o"}, "--backup"},
        {{"-j", "0", "a.wav", "--output-dir", "o"}, "0"},
        {{"--jobs", "65", "a.wav", "--output-dir", "o"}, "65"},
        {{"--output-dir", "o"}, "no input"},
        {{"--output-dir"}, "--output-dir"},
        {{"-r", "a.wav", "b.wav"}, "-r goes with"},
        {{"--json", "r.json", "a.wav", "b.wav"}, "--json goes with"},
    };
    for (const Refused& c : refused)
    {
        SCOPED_TRACE(testing::PrintToString(c.args));
        ProcessOptions options;
        std::string error;
        EXPECT_FALSE(parseOptions(c.args, options, error));
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    }
}

namespace
{

double dcOf(const std::string& path)
{
    Audio audio;
    if (!readAudio(path, audio))
        return NAN;
    return meanOfLastSecond(audio, 0);
}

size_t count(const std::string& text, const std::string& word)
{
    size_t n = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
        ++n;
    return n;
}

} // namespace

TEST(ProcessToolBatch, ALibraryRunAfterRun)
{
    TempDir dir;
    const fs::path lib = dir.path() / "lib";
    fs::create_directories(lib / "sub");
    const std::string a = (lib / "a.wav").string();
    const std::string b = (lib / "sub" / "b.flac").string();
    ASSERT_TRUE(writeAudio(a, offsetTone(SF_FORMAT_WAV | SF_FORMAT_PCM_24)));
    ASSERT_TRUE(writeAudio(b, offsetTone(SF_FORMAT_FLAC | SF_FORMAT_PCM_16)));
    writeFile((lib / "notes.txt").string(), "not audio\n");
    writeFile((lib / "sub" / "bad.wav").string(), "not audio either\n");
    const std::string original = fileContents(a);
    const std::string out = dir.file("out");
    const std::string json = dir.file("report.json");

    struct Run
    {
        const char* what;
        std::vector<std::string> args;
        int exitCode;
        std::string says;                   // on stdout or stderr
        std::vector<std::string> processed; // files whose DC is gone afterwards
    };
    const std::string outA = out + "/a.wav";
    const std::string outB = out + "/sub/b.flac";
    const Run runs[] = {
        {"a tree, two jobs, a bad file among good ones",
         {"-r", "-j", "2", lib.string(), "--output-dir", out, "--json", json},
         1,
         "2 written, 0 skipped, 1 failed (of 3 files; 1 non-audio files skipped)",
         {outA, outB}},
        {"existing outputs are skipped",
         {"-r", lib.string(), "--output-dir", out},
         1,
         "0 written, 2 skipped, 1 failed",
         {}},
        {"--force writes them again",
         {"-r", "--force", lib.string(), "--output-dir", out},
         1,
         "2 written, 0 skipped, 1 failed",
         {outA, outB}},
        {"never over an input",
         {"--force", a, "--output-dir", lib.string()},
         1,
         "input itself",
         {}},
        {"a folder needs -r", {lib.string(), "--output-dir", out}, 1, "-r", {}},
        {"--analyze writes nothing", {"--analyze", a}, 0, "<20 Hz", {}},
        {"in place with a backup", {"--in-place", "--backup", ".orig", a}, 0, "1 written", {a}},
        {"an existing backup is kept", {"--in-place", "--backup", ".orig", a}, 0, "1 skipped", {}},
    };
    for (const Run& run : runs)
    {
        SCOPED_TRACE(run.what);
        const auto before = dir.entries();
        const auto result = runTool(dir, run.args);
        EXPECT_EQ(result.exitCode, run.exitCode) << result.err;
        EXPECT_NE((result.out + result.err).find(run.says), std::string::npos)
            << result.out << result.err;
        for (const std::string& file : run.processed)
            EXPECT_NEAR(dcOf(file), 0.0, 2e-3) << file;
        if (run.args.front() == "--analyze")
        {
            EXPECT_EQ(dir.entries(), before);
        }
    }
    EXPECT_FALSE(fs::exists(out + "/sub/bad.wav"));
    EXPECT_FALSE(fs::exists(out + "/notes.txt"));
    EXPECT_TRUE(fileContents(a + ".orig") == original);
    EXPECT_FALSE(fileContents(a) == original);

    const std::string report = fileContents(json);
    EXPECT_EQ(count(report, "\"outcome\": \"written\""), 2u) << report;
    EXPECT_EQ(count(report, "\"outcome\": \"failed\""), 1u) << report;
    EXPECT_EQ(count(report, "\"dc_before\": "), 4u) << report; // two files, two channels
}
