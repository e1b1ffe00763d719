#include "batch.h"

#include "pluginlocator.h"
#include "toolstreams.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <unistd.h>

namespace KestrumTool
{
namespace
{

namespace fs = std::filesystem;

bool isAudioName(const fs::path& path)
{
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".wav" || ext == ".flac";
}

// Whether path lies inside folder (both existing), so that a walk does not
// take in the outputs of this run.
bool isInside(const fs::path& path, const fs::path& folder)
{
    std::error_code ec;
    const fs::path a = fs::weakly_canonical(path, ec);
    const fs::path b = fs::weakly_canonical(folder, ec);
    const auto mismatch = std::mismatch(b.begin(), b.end(), a.begin(), a.end());
    return !b.empty() && mismatch.first == b.end();
}

// What the batch shares between its jobs and the thread that reports.
class Batch
{
public:
    Batch(const ProcessOptions& opts, const char* name, std::vector<BatchItem> list)
        : options(opts), program(name), items(std::move(list)), outcomes(items.size()),
          showProgress(!opts.quiet && isatty(fileno(toolErrors())))
    {
    }
    int run(int nonAudio);

private:
    void work(KestrumHost::HostedPlugin& plugin);
    FileOutcome processItem(KestrumHost::HostedPlugin& plugin, const BatchItem& item);
    bool refuseBeforeOpening(const BatchItem& item, FileOutcome& outcome) const;
    void report(const BatchItem& item, const FileOutcome& outcome);
    void drawProgress(double seconds);
    void printSummary(int nonAudio, double seconds);

    const ProcessOptions& options;
    const char* program;
    std::vector<BatchItem> items;
    std::vector<FileOutcome> outcomes;
    const bool showProgress;
    std::atomic<size_t> next{0};
    std::mutex lock; // the counts below and the error stream
    std::condition_variable changed;
    size_t done = 0;
    bool lineDrawn = false;
};

bool Batch::refuseBeforeOpening(const BatchItem& item, FileOutcome& outcome) const
{
    std::error_code ec;
    if (!item.refused.empty())
    {
        outcome.reason = item.refused;
        return true;
    }
    if (item.output.empty())
        return false;
    const bool exists = fs::exists(item.output, ec);
    if (options.inPlace)
    {
        if (!item.keepAs.empty() && fs::exists(item.keepAs, ec) && !options.force)
        {
            outcome.status = FileOutcome::Status::kSkipped;
            outcome.reason = "its backup '" + item.keepAs + "' exists (--force replaces it)";
            return true;
        }
        return false;
    }
    if (exists && fs::equivalent(item.output, item.input, ec))
    {
        outcome.reason = "its output '" + item.output + "' is the input itself (use --in-place)";
        return true;
    }
    if (exists && !options.force)
    {
        outcome.status = FileOutcome::Status::kSkipped;
        outcome.reason = "'" + item.output + "' exists (--force replaces it)";
        return true;
    }
    const fs::path folder = fs::path(item.output).parent_path();
    if (!folder.empty() && !fs::create_directories(folder, ec) && !fs::is_directory(folder))
    {
        outcome.reason = "cannot make the folder '" + folder.string() + "': " + ec.message();
        return true;
    }
    return false;
}

FileOutcome Batch::processItem(KestrumHost::HostedPlugin& plugin, const BatchItem& item)
{
    FileOutcome outcome;
    if (refuseBeforeOpening(item, outcome))
        return outcome;
    const RunSettings settings{options.blockSize, options.analyse || options.analyzeOnly,
                               options.bypass};
    const FileJob job{item.input, item.output,    item.keepAs,
                      settings,   options.strict, options.dither};
    FileRun file;
    ProgressBar silent(nullptr, 0, false);
    if (file.open(job, outcome) && file.start(plugin, outcome))
        file.run(plugin, silent, outcome);
    return outcome;
}

void Batch::work(KestrumHost::HostedPlugin& plugin)
{
    for (size_t i = next++; i < items.size(); i = next++)
    {
        outcomes[i] = processItem(plugin, items[i]);
        report(items[i], outcomes[i]);
    }
}

void Batch::report(const BatchItem& item, const FileOutcome& outcome)
{
    std::lock_guard<std::mutex> guard(lock);
    ++done;
    std::FILE* err = toolErrors();
    const bool failed = outcome.status == FileOutcome::Status::kFailed;
    const bool skipped = outcome.status == FileOutcome::Status::kSkipped;
    if (failed || !outcome.warnings.empty() || (skipped && options.verbose))
    {
        if (lineDrawn)
            std::fputs("\r\033[K", err);
        lineDrawn = false;
        for (const std::string& warning : outcome.warnings)
            std::fprintf(err, "%s: warning: %s\n", program, warning.c_str());
        const bool named = outcome.reason.find(item.input) != std::string::npos;
        if (failed && named)
            std::fprintf(err, "%s: %s\n", program, outcome.reason.c_str());
        else if (failed)
            std::fprintf(err, "%s: %s: %s\n", program, item.input.c_str(), outcome.reason.c_str());
        else if (skipped)
            std::fprintf(err, "%s: skipped %s: %s\n", program, item.input.c_str(),
                         outcome.reason.c_str());
    }
    changed.notify_all();
}

void Batch::drawProgress(double seconds)
{
    if (!showProgress)
        return;
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
    std::fprintf(toolErrors(), "\r\033[K%zu/%zu files, %.1f files/s", done, items.size(), rate);
    lineDrawn = true;
}

void Batch::printSummary(int nonAudio, double seconds)
{
    size_t counts[4] = {};
    for (const FileOutcome& o : outcomes)
        ++counts[static_cast<int>(o.status)];
    std::FILE* out = options.jsonPath == "-" ? toolErrors() : stdout;
    if (options.analyzeOnly)
        std::fprintf(out, "%zu analysed", counts[1]);
    else
        std::fprintf(out, "%zu written", counts[0]);
    std::fprintf(out, ", %zu skipped, %zu failed (of %zu files", counts[2], counts[3],
                 items.size());
    if (nonAudio > 0)
        std::fprintf(out, "; %d non-audio files skipped", nonAudio);
    std::fprintf(out, ") in %.2f s\n", seconds);
}

int Batch::run(int nonAudio)
{
    const auto begin = std::chrono::steady_clock::now();
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t jobs = std::max<size_t>(
        1, std::min(items.size(), static_cast<size_t>(options.jobs ? options.jobs : cores)));
    const std::string pluginPath =
        options.pluginPath.empty() ? defaultPluginPath(options.useVst2) : options.pluginPath;
    if (pluginPath.empty())
    {
        std::fprintf(toolErrors(), "%s: no Kestrum plug-in found in %s; name one with --plugin\n",
                     program, searchedPlaces(options.useVst2).c_str());
        return 1;
    }
    // One instance per job, made here one after the other: the module is
    // loaded once, and no instance is shared between threads.
    std::vector<std::unique_ptr<KestrumHost::HostedPlugin>> plugins;
    for (size_t j = 0; j < jobs && !items.empty(); ++j)
    {
        std::string error;
        PluginDiagnosticsMuted muted;
        auto plugin = openPlugin(pluginPath, options.useVst2, error);
        if (!plugin || !applySettings(*plugin, options, error))
        {
            std::fprintf(
                toolErrors(), "%s: %s\n", program,
                (error.rfind("the plug-in", 0) == 0 ? error : "cannot use the plug-in: " + error)
                    .c_str());
            return 1;
        }
        plugins.push_back(std::move(plugin));
    }
    std::vector<std::thread> threads;
    for (auto& plugin : plugins)
        threads.emplace_back(&Batch::work, this, std::ref(*plugin));
    auto elapsed = [&]
    { return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count(); };
    {
        std::unique_lock<std::mutex> guard(lock);
        while (done < items.size())
        {
            drawProgress(elapsed());
            changed.wait_for(guard, std::chrono::milliseconds(250));
        }
        drawProgress(elapsed());
        if (lineDrawn)
            std::fputc('\n', toolErrors());
    }
    for (std::thread& thread : threads)
        thread.join();
    {
        PluginDiagnosticsMuted muted;
        plugins.clear();
    }

    if (options.analyzeOnly && !options.quiet && options.jsonPath != "-")
    {
        for (size_t i = 0; i < items.size(); ++i)
        {
            if (outcomes[i].status != FileOutcome::Status::kAnalysed)
                continue;
            std::printf("%s\n%-8s %12s %16s\n", items[i].input.c_str(), "channel", "DC", "<20 Hz");
            for (size_t c = 0; c < outcomes[i].figures.size(); ++c)
            {
                const ChannelFigures& f = outcomes[i].figures[c];
                char low[32];
                if (std::isinf(f.lowBefore))
                    std::snprintf(low, sizeof(low), "-inf dBFS");
                else
                    std::snprintf(low, sizeof(low), "%.1f dBFS", f.lowBefore);
                std::printf("%-8zu %+12.6f %16s\n", c + 1, f.dcBefore, low);
            }
        }
    }
    int status = 0;
    for (const FileOutcome& o : outcomes)
        if (o.status == FileOutcome::Status::kFailed)
            status = 1;
    if (!options.jsonPath.empty())
    {
        std::FILE* json =
            options.jsonPath == "-" ? stdout : std::fopen(options.jsonPath.c_str(), "w");
        if (!json)
        {
            std::fprintf(toolErrors(), "%s: cannot write '%s'\n", program,
                         options.jsonPath.c_str());
            status = 1;
        }
        else
        {
            writeJson(json, items, outcomes);
            if (json != stdout && std::fclose(json) != 0)
                status = 1;
        }
    }
    if (!options.quiet)
        printSummary(nonAudio, elapsed());
    return status;
}

} // namespace

std::vector<BatchItem> collectBatch(const ProcessOptions& options, int& nonAudio)
{
    std::vector<BatchItem> items;
    std::set<std::string> outputs;
    nonAudio = 0;
    auto add = [&](const fs::path& input, const fs::path& relative)
    {
        BatchItem item;
        item.input = input.string();
        if (options.inPlace)
        {
            item.output = item.input;
            if (!options.backupSuffix.empty())
                item.keepAs = item.input + options.backupSuffix;
        }
        else if (!options.analyzeOnly)
        {
            item.output = (fs::path(options.outputDir) / relative).lexically_normal().string();
            if (!outputs.insert(item.output).second)
                item.refused = "its output '" + item.output + "' is that of an earlier input";
        }
        items.push_back(std::move(item));
    };
    for (const std::string& name : options.inputs)
    {
        std::error_code ec;
        if (!fs::is_directory(name, ec))
        {
            add(name, fs::path(name).filename());
            continue;
        }
        if (!options.recursive)
        {
            add(name, fs::path(name).filename());
            items.back().refused = "it is a folder (-r processes folders)";
            continue;
        }
        std::vector<fs::path> found;
        for (auto it = fs::recursive_directory_iterator(name, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        {
            if (!options.outputDir.empty() && it->is_directory(ec) &&
                isInside(it->path(), options.outputDir))
            {
                it.disable_recursion_pending();
                continue;
            }
            if (!it->is_regular_file(ec))
                continue;
            if (isAudioName(it->path()) && it->path().filename().string().rfind(".", 0) != 0)
                found.push_back(it->path());
            else
                ++nonAudio;
        }
        std::sort(found.begin(), found.end());
        for (const fs::path& path : found)
            add(path, path.lexically_relative(name));
    }
    return items;
}

int runBatch(const ProcessOptions& options, const char* programName)
{
    int nonAudio = 0;
    std::vector<BatchItem> items = collectBatch(options, nonAudio);
    Batch batch(options, programName, std::move(items));
    return batch.run(nonAudio);
}

} // namespace KestrumTool
