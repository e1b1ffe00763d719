// Streams audio from a source through a hosted plug-in into a sink, block by
// block, measuring each channel before and after.
#pragma once

#include "audiostream.h"
#include "levelmeter.h"
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

// Runs the whole source through the plug-in, which must be started for the
// source's rate and channels with at least blockSize frames. The sink may be
// null (measure only). False with a reason on a read, process or write error.
bool runProcessing(KestrumHost::HostedPlugin& plugin, AudioSource& source, AudioSink* sink,
                   int blockSize, ProgressBar& progress, std::vector<ChannelFigures>& figures,
                   std::string& error);

} // namespace KestrumTool
