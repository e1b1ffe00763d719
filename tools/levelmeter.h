// Per-channel figures the tool prints before and after processing: the DC
// offset (the mean of the samples) and the level below 20 Hz.
//
// The level below 20 Hz is the RMS of the signal after a 4th-order
// Butterworth low-pass at 20 Hz (two cascaded biquads, run in double
// precision from rest), in dBFS relative to a full-scale constant of 1.0, so
// a DC offset of 0.1 alone reads -20 dBFS. DC counts as content below 20 Hz.
#pragma once

#include <cstdint>

namespace KestrumTool
{

class LevelMeter
{
public:
    explicit LevelMeter(double sampleRate);

    void add(const float* samples, std::int64_t count);

    std::int64_t count() const { return numSamples; }
    // Mean of all samples; 0 before any sample.
    double dcOffset() const;
    // RMS of the low-passed signal in dBFS; -inf for silence or no samples.
    double lowBandDb() const;

private:
    struct Biquad
    {
        double b0, b1, b2, a1, a2;
        double z1 = 0.0, z2 = 0.0;
        double run(double x);
    };

    Biquad stage1;
    Biquad stage2;
    std::int64_t numSamples = 0;
    double sum = 0.0;
    double lowSquares = 0.0;
};

} // namespace KestrumTool
