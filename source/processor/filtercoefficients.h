// The coefficient sets of the DC-offset high-pass: the fixed table for the
// common sample rates and the design rule that produced it, used for any
// other rate.
#pragma once

#include "processor/filtermode.h"

#include <cstdint>

namespace Kestrum
{

// One third-order set, numerator b0..b3 and denominator a0..a3 in z^-1.
// a0 is always 1.0; the recurrence does not use it.
struct FilterCoefficients
{
    double b0, b1, b2, b3, a0, a1, a2, a3;
};

// The rates that have a fixed set, in Hz.
constexpr int kNumTabledRates = 10;
extern const std::int32_t kTabledRates[kNumTabledRates];

// The stop band edge of a mode in Hz (5, 12.5 or 20); 0 for an unknown mode.
double stopBandEdge(FilterMode mode);

// The fixed set of a mode at one of the tabled rates, exactly as stored.
// Returns false (and leaves out alone) for other rates or modes.
bool tabledCoefficients(FilterMode mode, std::int32_t rateHz, FilterCoefficients& out);

// The design rule evaluated at any rate: a third-order Chebyshev type II
// high-pass, 40 dB stop band below the mode's edge, bilinear transform with
// the edge prewarped, unity gain at Nyquist. Only meaningful where
// isDesignable() holds; otherwise the values may be non-finite or unstable.
FilterCoefficients designCoefficients(FilterMode mode, double sampleRate);

// True when the rule gives a stable filter: a known mode and a finite rate
// above twice the stop band edge.
bool isDesignable(FilterMode mode, double sampleRate);

// The set a filter loads at a rate: the fixed row when the rate's integer
// part is tabled, else the designed set. Returns false (out untouched) when
// there is none: unknown mode, rate not finite or not above twice the edge.
bool coefficientsForRate(FilterMode mode, double sampleRate, FilterCoefficients& out);

} // namespace Kestrum
