// One file through the plug-in, from opening the input to the finished
// output, for the single-file form and each file of a batch alike.
#pragma once

#include "processrunner.h"
#include "soundfile.h"

#include <memory>
#include <string>
#include <vector>

namespace KestrumTool
{

struct FileJob
{
    std::string input;
    std::string output; // empty: measure only
    std::string keepAs; // the replaced file's new name, if it is kept
    RunSettings settings;
    bool strict = false; // a truncated input fails, with no output
    bool dither = false;
};

struct FileOutcome
{
    enum class Status
    {
        kWritten,
        kAnalysed,
        kSkipped,
        kFailed,
    };
    Status status = Status::kFailed;
    std::string reason; // why skipped or failed
    std::vector<std::string> warnings;
    std::vector<ChannelFigures> figures;
    std::int64_t frames = 0;
};

class FileRun
{
public:
    // Opens the input and, for a job with an output, the temporary output.
    // False with the outcome's reason set.
    bool open(const FileJob& job, FileOutcome& outcome);
    const SoundFileReader& input() const { return *reader; }

    // Starts the plug-in for the input's rate and channels.
    bool start(KestrumHost::HostedPlugin& plugin, FileOutcome& outcome);
    // Runs the file through the started plug-in, stops it and puts the
    // output in place. False with the outcome's reason set.
    bool run(KestrumHost::HostedPlugin& plugin, ProgressBar& progress, FileOutcome& outcome);

private:
    FileJob job;
    std::unique_ptr<SoundFileReader> reader;
    std::unique_ptr<SoundFileWriter> writer;
};

} // namespace KestrumTool
