#include "processor/dcoffsetfilter.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace Kestrum
{

namespace
{

std::size_t groupCountFor(std::int32_t channels)
{
    return (static_cast<std::size_t>(channels) + kLanesPerGroup - 1) / kLanesPerGroup;
}

} // namespace

DcOffsetFilter::DcOffsetFilter() : instructionSet(bestInstructionSet()) {}

DcOffsetFilter::~DcOffsetFilter() = default;

bool DcOffsetFilter::setup(std::int32_t count)
{
    registers.reset();
    channelCount = 0;
    if (count < 0)
        return false;
    const std::size_t groupCount = groupCountFor(count);
    if (groupCount > 0)
    {
        registers.reset(new (std::nothrow) RegisterGroup[groupCount]());
        if (!registers)
            return false;
    }
    channelCount = count;
    return true;
}

void DcOffsetFilter::clearRegisters()
{
    if (registers)
        std::fill(registers.get(), registers.get() + groupCountFor(channelCount), RegisterGroup{});
}

void DcOffsetFilter::setSampleRate(double rate)
{
    if (!std::isfinite(rate) || rate <= 0.0)
        return;
    sampleRate = rate;
    loadCoefficients();
}

void DcOffsetFilter::setMode(FilterMode newMode)
{
    if (newMode == mode)
        return;
    mode = newMode;
    loadCoefficients();
}

void DcOffsetFilter::loadCoefficients()
{
    // An unknown mode, a rate not yet given or one too low for the design
    // leaves the previous set in force.
    coefficientsForRate(mode, sampleRate, coefficients);
}

void DcOffsetFilter::processBlock(const float* const* inputs, float* const* outputs,
                                  std::int32_t numSamples, std::int32_t numChannels)
{
    if (!outputs)
        return;
    run(inputs, outputs, numSamples, numChannels);
}

void DcOffsetFilter::processBlock(const float* const* inputs, float* const* outputs,
                                  std::int32_t numSamples)
{
    processBlock(inputs, outputs, numSamples, channelCount);
}

void DcOffsetFilter::advance(const float* const* inputs, std::int32_t numSamples,
                             std::int32_t numChannels)
{
    run(inputs, nullptr, numSamples, numChannels);
}

void DcOffsetFilter::run(const float* const* inputs, float* const* outputs, std::int32_t numSamples,
                         std::int32_t numChannels)
{
    const std::int32_t channels = std::min(numChannels, channelCount);
    if (!inputs || numSamples <= 0 || channels <= 0)
        return;
    filterChannels(instructionSet, coefficients, inputs, outputs, numSamples, channels,
                   registers.get());
    clearNonFiniteChannels(channels);
}

// A NaN or infinite sample poisons the recursive registers for good; starting
// the channel from silence lets it recover with the next block.
void DcOffsetFilter::clearNonFiniteChannels(std::int32_t numChannels)
{
    for (std::int32_t ch = 0; ch < numChannels; ++ch)
    {
        RegisterGroup& g = registers[ch / kLanesPerGroup];
        const int lane = ch % kLanesPerGroup;
        if (!std::isfinite(g.s0[lane]) || !std::isfinite(g.s1[lane]) || !std::isfinite(g.s2[lane]))
        {
            g.s0[lane] = 0.0;
            g.s1[lane] = 0.0;
            g.s2[lane] = 0.0;
        }
    }
}

void DcOffsetFilter::getRegisters(std::int32_t channel, double& s0, double& s1, double& s2) const
{
    s0 = s1 = s2 = 0.0;
    if (channel < 0 || channel >= channelCount)
        return;
    const RegisterGroup& g = registers[channel / kLanesPerGroup];
    const int lane = channel % kLanesPerGroup;
    s0 = g.s0[lane];
    s1 = g.s1[lane];
    s2 = g.s2[lane];
}

void DcOffsetFilter::setInstructionSet(InstructionSet set)
{
    instructionSet = std::min(set, bestInstructionSet());
}

} // namespace Kestrum
