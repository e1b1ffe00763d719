// The command line of kestrum-process.
#pragma once

#include <string>
#include <vector>

namespace KestrumTool
{

struct ProcessOptions
{
    // Normalised Mode value; negative leaves the plug-in's default.
    double modeValue = -1.0;
    bool bypass = false;
    int blockSize = 512;
    std::string pluginPath; // empty: the installed plug-in, else the built one
    bool useVst2 = false;
    bool showHelp = false;
    bool quiet = false;    // print errors only
    bool analyse = true;   // measure and print the figures
    std::string inputPath; // empty: the built-in demo signal
    std::string outputPath;
    bool verbose = false; // also the plug-in's own diagnostics
    bool strict = false;  // a truncated input fails
    bool dither = false;  // TPDF dither for integer outputs

    // The many-file forms: INPUT... with --output-dir, --in-place or
    // --analyze.
    bool batch = false;
    std::vector<std::string> inputs;
    std::string outputDir;
    bool recursive = false;
    int jobs = 0; // 0: one per core
    bool inPlace = false;
    std::string backupSuffix;
    bool force = false;
    bool analyzeOnly = false;
    std::string jsonPath; // "-": standard output
};

// Parses the arguments after the program name. False with a message for
// the user on a bad command line.
bool parseOptions(const std::vector<std::string>& args, ProcessOptions& options,
                  std::string& error);

std::string usageText(const std::string& programName);

// The Mode value for "super-low", "bass-drop" or "guitar"; false otherwise.
bool modeValueForName(const std::string& name, double& value);

} // namespace KestrumTool
