// The filter modes and the mapping of a normalised Mode value onto them.
// The processor picks the filter by it, the controller its text and the
// editor its knob picture, so all three agree on every value.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace Kestrum
{

enum FilterMode : std::uint8_t
{
    kModeSuperLow = 0, // "super low", stop band below 5 Hz
    kModeBassDrop = 1, // "bass drop", stop band below 12.5 Hz
    kModeGuitar = 2,   // "guitar", stop band below 20 Hz
};

constexpr int kNumFilterModes = 3;

// The floats nearest 1/3 (0x3EAAAAAB) and 2/3 (0x3F2AAAAB); a value equal to a
// bound takes the lower mode.
constexpr float kModeBoundLow = 0.333333343f;
constexpr float kModeBoundHigh = 0.666666687f;

// A double narrowed to single precision; values beyond the float range become
// infinities instead of relying on an out-of-range conversion.
inline float narrowToFloat(double value)
{
    constexpr double kMax = std::numeric_limits<float>::max();
    if (std::isnan(value) || std::fabs(value) <= kMax)
        return static_cast<float>(value);
    return value > 0.0 ? std::numeric_limits<float>::infinity()
                       : -std::numeric_limits<float>::infinity();
}

// The mode that a normalised value selects, compared in single precision.
// Returns false for NaN, which selects no mode.
inline bool modeForValue(double normalized, FilterMode& mode)
{
    const float x = narrowToFloat(normalized);
    if (x <= kModeBoundLow)
        mode = kModeSuperLow;
    else if (x <= kModeBoundHigh)
        mode = kModeBassDrop;
    else if (x > kModeBoundHigh)
        mode = kModeGuitar;
    else
        return false;
    return true;
}

} // namespace Kestrum
