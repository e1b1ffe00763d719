// The many-file forms of kestrum-process: INPUT... with --output-dir,
// --in-place or --analyze, run by several jobs side by side, each with a
// plug-in instance of its own; and what both forms print.
#pragma once

#include "fileprocess.h"
#include "processoptions.h"

#include "host/hostedplugin.h"

#include <cstdio>
#include <string>
#include <vector>

namespace KestrumTool
{

// The command line's mode and bypass on a freshly opened plug-in.
bool applySettings(KestrumHost::HostedPlugin& plugin, const ProcessOptions& options,
                   std::string& error);

// The figures table of the single-file form.
void printFigures(const std::vector<ChannelFigures>& figures);

// One input of a batch and where its result goes.
struct BatchItem
{
    std::string input;
    std::string output;  // empty with --analyze
    std::string keepAs;  // the original's name with --in-place --backup
    std::string refused; // why it fails before it is opened, if it does
};

// The files the command line names, folders walked with -r (mirrored under
// the output folder); nonAudio counts the other files met there.
std::vector<BatchItem> collectBatch(const ProcessOptions& options, int& nonAudio);

// Runs the batch; the exit status.
int runBatch(const ProcessOptions& options, const char* programName);

// The figures and outcomes as a JSON array, one object per file.
void writeJson(std::FILE* out, const std::vector<BatchItem>& items,
               const std::vector<FileOutcome>& outcomes);

} // namespace KestrumTool
