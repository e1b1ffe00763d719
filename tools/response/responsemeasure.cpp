#include "responsemeasure.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace KestrumTool
{

std::vector<double> logFrequencies(double low, double high, int pointsPerDecade)
{
    std::vector<double> frequencies;
    const double decades = std::log10(high / low);
    const int count = std::max(2, static_cast<int>(std::ceil(decades * pointsPerDecade)) + 1);
    for (int i = 0; i < count; ++i)
        frequencies.push_back(low * std::pow(10.0, decades * i / (count - 1)));
    return frequencies;
}

bool measureResponse(KestrumHost::HostedPlugin& plugin, double sampleRate, int numChannels,
                     int numFrames, const std::vector<double>& frequencies,
                     std::vector<double>& gainsDb)
{
    constexpr int kBlock = 512;
    std::vector<std::vector<float>> in(static_cast<size_t>(numChannels),
                                       std::vector<float>(kBlock));
    std::vector<std::vector<float>> out = in;
    std::vector<const float*> inPtrs;
    std::vector<float*> outPtrs;
    for (int c = 0; c < numChannels; ++c)
    {
        inPtrs.push_back(in[static_cast<size_t>(c)].data());
        outPtrs.push_back(out[static_cast<size_t>(c)].data());
    }

    std::vector<double> impulseResponse;
    impulseResponse.reserve(static_cast<size_t>(numFrames));
    for (int done = 0; done < numFrames; done += kBlock)
    {
        for (auto& channel : in)
            std::fill(channel.begin(), channel.end(), 0.0f);
        if (done == 0)
            for (auto& channel : in)
                channel[0] = 1.0f;
        const int frames = std::min(kBlock, numFrames - done);
        if (!plugin.process(inPtrs.data(), outPtrs.data(), frames))
            return false;
        impulseResponse.insert(impulseResponse.end(), out[0].begin(), out[0].begin() + frames);
    }

    gainsDb.clear();
    for (double f : frequencies)
    {
        // A direct DFT at each frequency: exact at any point, and cheap
        // enough for a few hundred points.
        const std::complex<double> step = std::polar(1.0, -2.0 * M_PI * f / sampleRate);
        std::complex<double> phasor = 1.0, sum = 0.0;
        for (double h : impulseResponse)
        {
            sum += h * phasor;
            phasor *= step;
        }
        gainsDb.push_back(20.0 * std::log10(std::max(std::abs(sum), 1e-12)));
    }
    return true;
}

double minus3dBFrequency(const ResponseCurve& curve)
{
    for (size_t i = 1; i < curve.gainsDb.size(); ++i)
    {
        const double a = curve.gainsDb[i - 1], b = curve.gainsDb[i];
        if (a < -3.0 && b >= -3.0)
        {
            const double t = (-3.0 - a) / (b - a);
            return std::exp(
                std::log(curve.frequencies[i - 1]) +
                t * (std::log(curve.frequencies[i]) - std::log(curve.frequencies[i - 1])));
        }
    }
    return 0.0;
}

} // namespace KestrumTool
