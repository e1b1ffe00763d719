// Draws measured response curves as a PNG: log frequency, gain in dB.
#pragma once

#include "responsemeasure.h"

#include <string>
#include <vector>

namespace KestrumTool
{

struct PlotRange
{
    double lowHz = 1.0, highHz = 1000.0;
    double lowDb = -60.0, highDb = 6.0;
};

bool drawResponsePlot(const std::vector<ResponseCurve>& curves, const PlotRange& range,
                      const std::string& title, const std::string& pngPath, std::string& error);

} // namespace KestrumTool
