// Third-order high-pass that removes DC offset and infrasonic rumble from
// every channel of a block, in double precision on float audio. A plain
// object held by the processor: sized in setup(), then run once per block.
#pragma once

#include "processor/filtercoefficients.h"
#include "processor/filterkernels.h"
#include "processor/filtermode.h"

#include <cstdint>
#include <memory>

namespace Kestrum
{

class DcOffsetFilter
{
public:
    DcOffsetFilter();
    ~DcOffsetFilter();
    DcOffsetFilter(const DcOffsetFilter&) = delete;
    DcOffsetFilter& operator=(const DcOffsetFilter&) = delete;

    // The only call that allocates. Gives channelCount channels cleared
    // registers and keeps mode, rate and coefficients. Returns false, leaving
    // no channels, for a negative count or when memory runs out.
    bool setup(std::int32_t channelCount);

    // Stores a finite positive rate and loads the current mode's set for it:
    // the fixed row when the rate's integer part is tabled, a designed set
    // otherwise. Other rates change nothing.
    void setSampleRate(double rate);

    // Does nothing for the current mode. Otherwise stores the mode and, for a
    // known mode, loads its set at the stored rate; registers are kept.
    void setMode(FilterMode mode);

    // Filters min(numChannels, channel count) channels; in place (input equal
    // to output) is allowed. Does nothing for numSamples <= 0 or null arrays.
    void processBlock(const float* const* inputs, float* const* outputs, std::int32_t numSamples,
                      std::int32_t numChannels);
    void processBlock(const float* const* inputs, float* const* outputs, std::int32_t numSamples);

    // Zeroes every channel's registers, as setup() does, without allocating:
    // safe on the audio thread.
    void clearRegisters();

    // Runs the recurrence over the input without writing output, so the
    // registers stay current while the processor passes audio through.
    void advance(const float* const* inputs, std::int32_t numSamples, std::int32_t numChannels);

    std::int32_t getChannelCount() const { return channelCount; }
    double getSampleRate() const { return sampleRate; }
    FilterMode getMode() const { return mode; }
    const FilterCoefficients& getCoefficients() const { return coefficients; }

    // The registers of one channel; zeros for a channel that does not exist.
    void getRegisters(std::int32_t channel, double& s0, double& s1, double& s2) const;

    // The SIMD width in use; the best the CPU supports unless narrowed (tests
    // compare the variants). Requests beyond the CPU are clamped.
    InstructionSet getInstructionSet() const { return instructionSet; }
    void setInstructionSet(InstructionSet set);

private:
    void loadCoefficients();
    void run(const float* const* inputs, float* const* outputs, std::int32_t numSamples,
             std::int32_t numChannels);
    void clearNonFiniteChannels(std::int32_t numChannels);

    std::int32_t channelCount = 0;
    double sampleRate = 0.0;
    FilterMode mode = kModeBassDrop;
    FilterCoefficients coefficients{};
    std::unique_ptr<RegisterGroup[]> registers;
    InstructionSet instructionSet;
};

} // namespace Kestrum
