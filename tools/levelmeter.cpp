#include "levelmeter.h"

#include <cmath>
#include <limits>

namespace KestrumTool
{
namespace
{

constexpr double kCutoffHz = 20.0;

// One low-pass section of the bilinear transform (RBJ cookbook form).
void designLowPass(double sampleRate, double q, double& b0, double& b1, double& b2, double& a1,
                   double& a2)
{
    const double w0 = 2.0 * M_PI * kCutoffHz / sampleRate;
    const double alpha = std::sin(w0) / (2.0 * q);
    const double cosw = std::cos(w0);
    const double a0 = 1.0 + alpha;
    b0 = (1.0 - cosw) / 2.0 / a0;
    b1 = (1.0 - cosw) / a0;
    b2 = b0;
    a1 = -2.0 * cosw / a0;
    a2 = (1.0 - alpha) / a0;
}

} // namespace

double LevelMeter::Biquad::run(double x)
{
    // Transposed direct form II.
    const double y = b0 * x + z1;
    z1 = b1 * x - a1 * y + z2;
    z2 = b2 * x - a2 * y;
    return y;
}

LevelMeter::LevelMeter(double sampleRate)
{
    // The two pole-pair Qs of a 4th-order Butterworth response.
    const double q1 = 1.0 / (2.0 * std::cos(M_PI / 8.0));
    const double q2 = 1.0 / (2.0 * std::cos(3.0 * M_PI / 8.0));
    designLowPass(sampleRate, q1, stage1.b0, stage1.b1, stage1.b2, stage1.a1, stage1.a2);
    designLowPass(sampleRate, q2, stage2.b0, stage2.b1, stage2.b2, stage2.a1, stage2.a2);
}

void LevelMeter::add(const float* samples, std::int64_t count)
{
    for (std::int64_t i = 0; i < count; ++i)
    {
        const double x = samples[i];
        sum += x;
        const double low = stage2.run(stage1.run(x));
        lowSquares += low * low;
    }
    numSamples += count;
}

double LevelMeter::dcOffset() const
{
    return numSamples > 0 ? sum / static_cast<double>(numSamples) : 0.0;
}

double LevelMeter::lowBandDb() const
{
    if (numSamples == 0 || !(lowSquares > 0.0))
        return -std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(lowSquares / static_cast<double>(numSamples));
}

} // namespace KestrumTool
