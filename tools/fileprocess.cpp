#include "fileprocess.h"

#include "toolstreams.h"

namespace KestrumTool
{

bool FileRun::open(const FileJob& fileJob, FileOutcome& outcome)
{
    job = fileJob;
    reader = SoundFileReader::open(job.input, outcome.reason);
    if (!reader)
        return false;
    if (job.output.empty())
        return true;
    WriterSetup setup;
    setup.path = job.output;
    setup.input = reader.get();
    setup.dither = job.dither && !job.settings.passRaw;
    std::string warning;
    writer = SoundFileWriter::create(setup, outcome.reason, warning);
    if (!warning.empty())
        outcome.warnings.push_back(warning);
    return writer != nullptr;
}

bool FileRun::start(KestrumHost::HostedPlugin& plugin, FileOutcome& outcome)
{
    bool started = false;
    {
        PluginDiagnosticsMuted muted;
        started = plugin.start(reader->sampleRate(), job.settings.blockSize, reader->channels());
    }
    if (!started)
    {
        outcome.reason = "the plug-in cannot process " + std::to_string(reader->channels()) +
                         " channels at " + std::to_string(static_cast<int>(reader->sampleRate())) +
                         " Hz";
        return false;
    }
    return true;
}

bool FileRun::run(KestrumHost::HostedPlugin& plugin, ProgressBar& progress, FileOutcome& outcome)
{
    const bool processed = runProcessing(plugin, *reader, writer.get(), job.settings, progress,
                                         outcome.figures, outcome.reason, &outcome.frames);
    {
        PluginDiagnosticsMuted muted;
        plugin.stop();
    }
    if (!processed)
        return false;
    if (outcome.frames < reader->frames())
    {
        const std::string cut = "'" + job.input + "' ends after " + std::to_string(outcome.frames) +
                                " of " + std::to_string(reader->frames()) + " frames";
        if (job.strict)
        {
            outcome.reason = cut + " (--strict: nothing written)";
            return false;
        }
        outcome.warnings.push_back(cut);
    }
    if (writer && !writer->commit(job.keepAs))
    {
        outcome.reason = writer->error();
        return false;
    }
    outcome.status = writer ? FileOutcome::Status::kWritten : FileOutcome::Status::kAnalysed;
    return true;
}

} // namespace KestrumTool
