#include "processoptions.h"

#include <cerrno>
#include <cstdlib>

namespace KestrumTool
{
namespace
{

constexpr int kMaxBlockSize = 65536;
constexpr int kMaxJobs = 64;

bool parseCount(const std::string& text, int most, int& value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    const long parsed = std::strtol(text.c_str(), nullptr, 10);
    if (errno != 0 || parsed < 1 || parsed > most)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

bool parseBlockSize(const std::string& text, int& value)
{
    return parseCount(text, kMaxBlockSize, value);
}

// The many-file forms' own rules, once all arguments are read.
bool checkBatch(const std::vector<std::string>& files, ProcessOptions& options, std::string& error)
{
    const int forms = !options.outputDir.empty() + options.inPlace + options.analyzeOnly;
    if (forms > 1)
    {
        error = "--output-dir, --in-place and --analyze exclude each other";
        return false;
    }
    options.batch = forms == 1;
    if (!options.batch)
    {
        const char* alone = options.recursive               ? "-r"
                            : options.jobs != 0             ? "--jobs"
                            : options.force                 ? "--force"
                            : !options.jsonPath.empty()     ? "--json"
                            : !options.backupSuffix.empty() ? "--backup"
                                                            : nullptr;
        if (alone)
        {
            error = std::string(alone) + " goes with --output-dir, --in-place or --analyze";
            return false;
        }
        return true;
    }
    if (!options.backupSuffix.empty() && !options.inPlace)
    {
        error = "--backup goes with --in-place";
        return false;
    }
    if (files.empty())
    {
        error = "no input files";
        return false;
    }
    options.inputs = files;
    return true;
}

} // namespace

bool modeValueForName(const std::string& name, double& value)
{
    // The middle of each mode's range of the normalised Mode value.
    if (name == "super-low")
        value = 0.0;
    else if (name == "bass-drop")
        value = 0.5;
    else if (name == "guitar")
        value = 1.0;
    else
        return false;
    return true;
}

bool parseOptions(const std::vector<std::string>& args, ProcessOptions& options, std::string& error)
{
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i)
    {
        const std::string& arg = args[i];
        auto value = [&](std::string& out)
        {
            if (i + 1 >= args.size())
            {
                error = "option " + arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string text;
        if (arg == "-h" || arg == "--help")
            options.showHelp = true;
        else if (arg == "--bypass")
            options.bypass = true;
        else if (arg == "--vst2")
            options.useVst2 = true;
        else if (arg == "-q" || arg == "--quiet")
            options.quiet = true;
        else if (arg == "--no-analysis")
            options.analyse = false;
        else if (arg == "-v" || arg == "--verbose")
            options.verbose = true;
        else if (arg == "--strict")
            options.strict = true;
        else if (arg == "--dither")
            options.dither = true;
        else if (arg == "-r" || arg == "--recursive")
            options.recursive = true;
        else if (arg == "--in-place")
            options.inPlace = true;
        else if (arg == "--force")
            options.force = true;
        else if (arg == "--analyze" || arg == "--analyse")
            options.analyzeOnly = true;
        else if (arg == "--output-dir" || arg == "--backup" || arg == "--json")
        {
            std::string& target = arg == "--output-dir" ? options.outputDir
                                  : arg == "--backup"   ? options.backupSuffix
                                                        : options.jsonPath;
            if (!value(target))
                return false;
            if (target.empty())
            {
                error = "option " + arg + " needs a value";
                return false;
            }
        }
        else if (arg == "-j" || arg == "--jobs")
        {
            if (!value(text))
                return false;
            if (!parseCount(text, kMaxJobs, options.jobs))
            {
                error = "job count '" + text + "' is not a whole number from 1 to " +
                        std::to_string(kMaxJobs);
                return false;
            }
        }
        else if (arg == "--mode")
        {
            if (!value(text))
                return false;
            if (!modeValueForName(text, options.modeValue))
            {
                error = "unknown mode '" + text + "' (use super-low, bass-drop or guitar)";
                return false;
            }
        }
        else if (arg == "--block")
        {
            if (!value(text))
                return false;
            if (!parseBlockSize(text, options.blockSize))
            {
                error = "block size '" + text + "' is not a whole number from 1 to " +
                        std::to_string(kMaxBlockSize);
                return false;
            }
        }
        else if (arg == "--plugin")
        {
            if (!value(options.pluginPath))
                return false;
        }
        else if (arg.size() > 1 && arg[0] == '-')
        {
            error = "unknown option " + arg;
            return false;
        }
        else
            files.push_back(arg);
    }
    if (options.showHelp)
        return true;
    if (!checkBatch(files, options, error))
        return false;
    if (options.batch)
        return true;
    if (files.size() == 1)
    {
        error = "an input file needs an output file";
        return false;
    }
    if (files.size() > 2)
    {
        error = "too many file names (many files go with --output-dir DIR or --in-place)";
        return false;
    }
    if (files.size() == 2)
    {
        options.inputPath = files[0];
        options.outputPath = files[1];
    }
    return true;
}

std::string usageText(const std::string& programName)
{
    return "Usage: " + programName +
           " [options] [INPUT OUTPUT]\n"
           "       " +
           programName +
           " [options] INPUT... --output-dir DIR | --in-place | --analyze\n"
           "Removes DC offset and infrasonic rumble from WAV or FLAC files with the\n"
           "Kestrum plug-in. Without files it processes a built-in demo signal.\n"
           "Every chunk and metadata block besides the samples is kept.\n"
           "\n"
           "Options:\n"
           "  --mode MODE   super-low, bass-drop (the plug-in's default) or guitar\n"
           "  --bypass      pass the audio through unchanged\n"
           "  --block N     frames per processing block, 1 to 65536 (default 512)\n"
           "  --plugin PATH the VST 3 bundle (or, with --vst2, the VST 2 module) to use\n"
           "                (default: the one in ~/.vst3 or ~/.vst, else the one installed\n"
           "                under this tool's prefix, /usr or /usr/local, in lib/vst3 or\n"
           "                lib/vst)\n"
           "  --vst2        go through the plug-in's VST 2 interface\n"
           "  --no-analysis skip the figures below (the fastest way through a file)\n"
           "  -q, --quiet   print nothing but errors (no progress bar, no figures)\n"
           "  -v, --verbose also show the plug-in's own diagnostic lines\n"
           "  --strict      fail a file that ends before its header says (default: warn)\n"
           "  --dither      add TPDF dither before 8-, 16- and 24-bit samples (default: off)\n"
           "  -h, --help    show this text\n"
           "\n"
           "Many files (an existing output is skipped unless --force is given):\n"
           "  --output-dir DIR  write each output under DIR\n"
           "  --in-place        replace each file once its result is complete\n"
           "  --backup SUFFIX   with --in-place, keep the original as NAME + SUFFIX\n"
           "  --analyze         write nothing; print each file's figures before processing\n"
           "  -r, --recursive   process the WAV and FLAC files in folders (mirrored under DIR)\n"
           "  -j, --jobs N      files processed side by side (default: one per core)\n"
           "  --force           write over existing outputs (never over an input)\n"
           "  --json FILE       the figures and outcome of every file as JSON (- for stdout)\n"
           "Exit status: 0 done, 1 a file failed, 2 bad command line, 128+N on signal N.\n"
           "\n"
           "For each channel it prints the DC offset and the level below 20 Hz (RMS after\n"
           "a 4th-order low-pass at 20 Hz, in dBFS; DC included) before and after.\n"
           "Reading, processing and writing run side by side on separate threads; memory\n"
           "use does not grow with the length of the file.\n";
}

} // namespace KestrumTool
