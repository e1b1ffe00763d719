#include "processoptions.h"

#include <cerrno>
#include <cstdlib>

namespace KestrumTool
{
namespace
{

constexpr int kMaxBlockSize = 65536;

bool parseBlockSize(const std::string& text, int& value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    const long parsed = std::strtol(text.c_str(), nullptr, 10);
    if (errno != 0 || parsed < 1 || parsed > kMaxBlockSize)
        return false;
    value = static_cast<int>(parsed);
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
    if (files.size() == 1)
    {
        error = "an input file needs an output file";
        return false;
    }
    if (files.size() > 2)
    {
        error = "too many file names";
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
           "Removes DC offset and infrasonic rumble from a WAV or FLAC file with the\n"
           "Kestrum plug-in. Without files it processes a built-in demo signal.\n"
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
           "  -h, --help    show this text\n"
           "\n"
           "For each channel it prints the DC offset and the level below 20 Hz (RMS after\n"
           "a 4th-order low-pass at 20 Hz, in dBFS; DC included) before and after.\n"
           "Reading, processing and writing run side by side on separate threads; memory\n"
           "use does not grow with the length of the file.\n";
}

} // namespace KestrumTool
