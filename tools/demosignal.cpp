#include "demosignal.h"

#include <algorithm>
#include <cmath>

namespace KestrumTool
{

std::int64_t DemoSignal::read(float* const* channels, std::int64_t count)
{
    const std::int64_t n = std::min(count, kFrames - position);
    for (std::int64_t i = 0; i < n; ++i)
    {
        const double t = static_cast<double>(position + i) / kSampleRate;
        for (int c = 0; c < 2; ++c)
        {
            const double value = kToneAmplitude[c] * std::sin(2.0 * M_PI * kToneHz[c] * t) +
                                 kDcOffset[c] +
                                 kRumbleAmplitude[c] * std::sin(2.0 * M_PI * kRumbleHz * t);
            channels[c][i] = static_cast<float>(value);
        }
    }
    position += n;
    return n;
}

} // namespace KestrumTool
