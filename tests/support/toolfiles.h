// Sound files and runs of the built kestrum-process for the tool's tests.
#pragma once

#include "support/childprocess.h"
#include "support/tempdir.h"

#include <string>
#include <vector>

namespace KestrumTest
{

struct Audio
{
    int channels = 0;
    int rate = 0;
    int format = 0;
    std::vector<float> samples; // interleaved
};

// Through libsndfile's float interface; a comment, when given, is stored
// as a text chunk (after the sample data in a WAV).
bool writeAudio(const std::string& path, const Audio& audio, const char* comment = nullptr);
bool readAudio(const std::string& path, Audio& audio);

// Two seconds of stereo: a tone on a DC offset of +0.25 left and -0.2 right.
Audio offsetTone(int format);

double meanOfLastSecond(const Audio& audio, int channel);

// Reads the figures the tool printed for one channel.
bool printedRow(const std::string& out, int channel, double& dcBefore, double& dcAfter,
                double& lowBefore, double& lowAfter);

// The tool, with HOME pointed at an empty folder so that it uses the plug-in
// of this build, not one installed on the machine.
ProcessResult runTool(const TempDir& home, std::vector<std::string> args,
                      std::vector<std::string> extraEnv = {});

// A WAV file's chunks as they stand, in order (RIFF or RF64).
struct RiffChunk
{
    std::string id;
    std::string bytes;
    bool operator==(const RiffChunk& other) const { return id == other.id && bytes == other.bytes; }
};
// The form tag ("RIFF" or "RF64") and the chunks; empty when not a WAV.
std::string readChunks(const std::string& path, std::vector<RiffChunk>& chunks);
// A RIFF WAVE file of these chunks, each odd one padded.
std::string riffFile(const std::vector<RiffChunk>& chunks);
std::string fileContents(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

} // namespace KestrumTest
