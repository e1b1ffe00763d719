// The magnitude response of a hosted plug-in, taken from its impulse response.
#pragma once

#include "host/hostedplugin.h"

#include <string>
#include <vector>

namespace KestrumTool
{

struct ResponseCurve
{
    std::string label;
    std::vector<double> frequencies; // Hz
    std::vector<double> gainsDb;
};

// Log-spaced frequencies from low to high, pointsPerDecade per decade.
std::vector<double> logFrequencies(double low, double high, int pointsPerDecade);

// Feeds a unit impulse followed by silence through the started plug-in
// (numFrames frames, mono fed to every channel) and evaluates the DFT of
// channel 0's output at the given frequencies. False when processing fails.
bool measureResponse(KestrumHost::HostedPlugin& plugin, double sampleRate, int numChannels,
                     int numFrames, const std::vector<double>& frequencies,
                     std::vector<double>& gainsDb);

// The frequency where the curve first rises through -3 dB, by linear
// interpolation in dB between the two points around it; 0 if it never does.
double minus3dBFrequency(const ResponseCurve& curve);

} // namespace KestrumTool
