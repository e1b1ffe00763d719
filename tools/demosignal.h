// The built-in demo: 4 s of stereo at 48 kHz, two tones riding on a DC
// offset and a 5 Hz rumble, the faults the plug-in exists to remove.
#pragma once

#include "audiostream.h"

namespace KestrumTool
{

class DemoSignal : public AudioSource
{
public:
    static constexpr double kSampleRate = 48000.0;
    static constexpr std::int64_t kFrames = 4 * 48000;
    // Per channel: tone frequency and amplitude, DC offset, rumble amplitude.
    static constexpr double kToneHz[2] = {220.0, 330.0};
    static constexpr double kToneAmplitude[2] = {0.3, 0.25};
    static constexpr double kDcOffset[2] = {0.2, -0.15};
    static constexpr double kRumbleHz = 5.0;
    static constexpr double kRumbleAmplitude[2] = {0.1, 0.08};

    int channels() const override { return 2; }
    double sampleRate() const override { return kSampleRate; }
    std::int64_t frames() const override { return kFrames; }
    std::int64_t read(float* const* channels, std::int64_t count) override;

private:
    std::int64_t position = 0;
};

} // namespace KestrumTool
