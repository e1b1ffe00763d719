// The inner loops of the DC-offset filter. Channels are independent, so
// groups of them run side by side in SIMD lanes; every lane performs the same
// double-precision operations in the same order as the one-channel loop, so
// all variants give identical output bits.
#pragma once

#include "processor/filtercoefficients.h"

#include <cstdint>

namespace Kestrum
{

// Inputs closer to zero than this are replaced (in the value used, not in the
// buffer) by +kDenormalFloor so silent input never drives the recursive
// registers into the subnormal range. Float bits 0x15F79688.
constexpr float kDenormalFloor = 1e-25f;

// Registers of four channels, each register contiguous over the lanes, so one
// aligned load fills a vector.
constexpr int kLanesPerGroup = 4;
struct alignas(32) RegisterGroup
{
    double s0[kLanesPerGroup];
    double s1[kLanesPerGroup];
    double s2[kLanesPerGroup];
};

enum class InstructionSet : std::uint8_t
{
    kScalar, // one channel at a time
    kSse2,   // two channels per vector
    kAvx,    // four channels per vector
};

// The widest set this CPU (and its operating system) can run.
InstructionSet bestInstructionSet();

// Runs numChannels channels over numSamples samples with the given set.
// outputs may be null: the registers advance and nothing is written.
// groups holds at least ceil(numChannels / 4) entries.
void filterChannels(InstructionSet set, const FilterCoefficients& c, const float* const* inputs,
                    float* const* outputs, std::int32_t numSamples, std::int32_t numChannels,
                    RegisterGroup* groups);

} // namespace Kestrum
