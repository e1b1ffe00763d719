// Streams audio from a source through a hosted plug-in into a sink, measuring
// each channel before and after.
//
// Three threads share a small ring of chunks: one reads and decodes, the
// calling thread runs the plug-in block by block, one meters, encodes and
// writes. Memory stays the same whatever the length of the file.
#pragma once

#include "audiostream.h"
#include "progressbar.h"

#include "host/hostedplugin.h"

#include <string>
#include <vector>

namespace KestrumTool
{

struct ChannelFigures
{
    double dcBefore = 0.0;
    double dcAfter = 0.0;
    double lowBefore = 0.0; // dBFS
    double lowAfter = 0.0;  // dBFS
};

struct RunSettings
{
    int blockSize = 512; // frames per process call; the last block may be shorter
    bool analyse = true; // measure the figures
    // Write the source's own sample bytes rather than the plug-in's output
    // where source and sink allow it (a bypass exact for every format).
    bool passRaw = false;
};

// Runs the whole source through the plug-in, which must be started for the
// source's rate and channels with at least blockSize frames. The sink may be
// null (measure only). Figures are left empty without analysis; frames is
// how many the source gave. False with a reason on a read, process or write
// error.
bool runProcessing(KestrumHost::HostedPlugin& plugin, AudioSource& source, AudioSink* sink,
                   const RunSettings& settings, ProgressBar& progress,
                   std::vector<ChannelFigures>& figures, std::string& error,
                   std::int64_t* frames = nullptr);

} // namespace KestrumTool
