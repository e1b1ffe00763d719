#include "processor/dcoffsetfilter.h"
#include "support/referencefilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

using namespace Kestrum;

namespace
{

const FilterMode kModes[] = {kModeSuperLow, kModeBassDrop, kModeGuitar};
const InstructionSet kSets[] = {InstructionSet::kScalar, InstructionSet::kSse2,
                                InstructionSet::kAvx};

float floatFromBits(std::uint32_t bits)
{
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

std::uint32_t bitsOf(float f)
{
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

const float kFloor = floatFromBits(0x15F79688);

using KestrumTest::ReferenceChannel;

// Noise with a DC offset, interrupted by silence and values around the floor.
std::vector<float> testSignal(int length, unsigned seed)
{
    std::vector<float> v(length);
    std::uint32_t state = 0x9E3779B9u * (seed + 1);
    for (int i = 0; i < length; ++i)
    {
        state = state * 1664525u + 1013904223u;
        v[i] = 0.25f + static_cast<float>(static_cast<std::int32_t>(state)) / 2147483648.0f;
    }
    const float specials[] = {0.0f, -0.0f, 1e-30f, -1e-30f, kFloor, -kFloor, 1e-40f, 2e-25f};
    for (int k = 0; k < 8 && 40 + 3 * k < length; ++k)
        v[40 + 3 * k] = specials[k];
    for (int i = 100; i < 120 && i < length; ++i)
        v[i] = 0.0f;
    return v;
}

// One block's channels; in place, the outputs are the inputs' own buffers.
struct Buffers
{
    std::vector<std::vector<float>> in, out;
    std::vector<const float*> inPtrs;
    std::vector<float*> outPtrs;

    Buffers(int channels, int length, bool inPlace)
        : in(channels), out(inPlace ? 0 : channels, std::vector<float>(length, -7.0f))
    {
        for (int ch = 0; ch < channels; ++ch)
        {
            in[ch] = testSignal(length, ch);
            inPtrs.push_back(in[ch].data());
            outPtrs.push_back(inPlace ? in[ch].data() : out[ch].data());
        }
    }
    void advanceBy(int n)
    {
        for (auto& p : inPtrs)
            p += n;
        for (auto& p : outPtrs)
            p += n;
    }
};

FilterCoefficients row(FilterMode mode, std::int32_t rate)
{
    FilterCoefficients c{};
    EXPECT_TRUE(tabledCoefficients(mode, rate, c));
    return c;
}

bool holds(const DcOffsetFilter& f, const FilterCoefficients& c)
{
    return std::memcmp(&f.getCoefficients(), &c, sizeof c) == 0;
}

// Index of the first sample whose bits differ, or -1.
int firstMismatch(const float* got, const std::vector<float>& expected)
{
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (bitsOf(got[i]) != bitsOf(expected[i]))
            return static_cast<int>(i);
    return -1;
}

void configure(DcOffsetFilter& f, FilterMode mode, double rate, int channels,
               InstructionSet set = InstructionSet::kAvx)
{
    f.setInstructionSet(set);
    f.setMode(mode);
    ASSERT_TRUE(f.setup(channels));
    f.setSampleRate(rate);
}

} // namespace

TEST(DcOffsetFilter, FloorConstantHasItsBitPattern)
{
    EXPECT_EQ(bitsOf(kDenormalFloor), 0x15F79688u);
}

TEST(DcOffsetFilter, StartsInBassDropWithNoChannels)
{
    DcOffsetFilter f;
    EXPECT_EQ(f.getMode(), kModeBassDrop);
    EXPECT_EQ(f.getChannelCount(), 0);
    EXPECT_LE(f.getInstructionSet(), bestInstructionSet());
}

// Every mode and tabled rate, channel counts that leave SIMD remainders,
// block lengths that leave partial chunks, separate and in-place buffers, on
// every instruction set this CPU has: bit-exact with the plain recurrence.
TEST(DcOffsetFilter, MatchesPlainRecurrenceBitForBit)
{
    const int blocks[] = {37, 1, 64, 3, 0, 130, 6};
    int length = 0;
    for (int b : blocks)
        length += b;
    for (InstructionSet set : kSets)
    {
        if (set > bestInstructionSet())
            continue;
        for (FilterMode mode : kModes)
            for (std::int32_t rate : kTabledRates)
                for (int channels : {1, 2, 3, 5, 8, 11})
                    for (bool inPlace : {false, true})
                    {
                        SCOPED_TRACE(testing::Message()
                                     << "set " << int(set) << " mode " << int(mode) << " rate "
                                     << rate << " channels " << channels << " in place "
                                     << inPlace);
                        Buffers buffers(channels, length, inPlace);
                        std::vector<std::vector<float>> expected(channels);
                        const FilterCoefficients c = row(mode, rate);
                        for (int ch = 0; ch < channels; ++ch)
                        {
                            ReferenceChannel ref;
                            for (float x : buffers.in[ch])
                                expected[ch].push_back(ref.step(c, x));
                        }
                        DcOffsetFilter f;
                        configure(f, mode, rate, channels, set);
                        ASSERT_EQ(f.getInstructionSet(), set);
                        std::vector<float*> outStarts = buffers.outPtrs;
                        for (int b : blocks)
                        {
                            f.processBlock(buffers.inPtrs.data(), buffers.outPtrs.data(), b);
                            buffers.advanceBy(b);
                        }
                        for (int ch = 0; ch < channels; ++ch)
                            ASSERT_EQ(firstMismatch(outStarts[ch], expected[ch]), -1)
                                << "channel " << ch;
                    }
    }
}

TEST(DcOffsetFilter, ImpulseStartsWithB0ThenFollowsRecurrenceOnFloor)
{
    DcOffsetFilter f;
    configure(f, kModeBassDrop, 44100.0, 1);
    std::vector<float> in(64, 0.0f), out(64);
    in[0] = 1.0f;
    const float* ip = in.data();
    float* op = out.data();
    f.processBlock(&ip, &op, 64);
    EXPECT_EQ(out[0], static_cast<float>(0.99495755101652439));
    ReferenceChannel ref;
    std::vector<float> expected;
    for (float x : in)
        expected.push_back(ref.step(row(kModeBassDrop, 44100), x));
    EXPECT_EQ(firstMismatch(out.data(), expected), -1);
}

// The floor replaces the value used, never the host's input sample; the test
// is strict and ignores the sign.
TEST(DcOffsetFilter, FloorChangesValueUsedButNotInputBuffer)
{
    const struct
    {
        float input;
        float used;
    } cases[] = {
        {-1e-30f, kFloor},  {0.0f, kFloor},    {-0.0f, kFloor},
        {1e-40f, kFloor},   {-1e-26f, kFloor}, {kFloor, kFloor},
        {-kFloor, -kFloor}, {2e-25f, 2e-25f},  {-0.5f, -0.5f},
    };
    for (InstructionSet set : kSets)
    {
        if (set > bestInstructionSet())
            continue;
        for (const auto& t : cases)
        {
            // Eight channels and eight samples reach the widest SIMD path.
            DcOffsetFilter f;
            configure(f, kModeBassDrop, 44100.0, 8, set);
            std::vector<std::vector<float>> in(8, std::vector<float>(8, t.input));
            std::vector<std::vector<float>> out(8, std::vector<float>(8));
            std::vector<const float*> ip;
            std::vector<float*> op;
            for (int ch = 0; ch < 8; ++ch)
            {
                ip.push_back(in[ch].data());
                op.push_back(out[ch].data());
            }
            f.processBlock(ip.data(), op.data(), 8);
            const float expected = static_cast<float>(0.99495755101652439 * double(t.used));
            for (int ch = 0; ch < 8; ++ch)
            {
                EXPECT_EQ(bitsOf(out[ch][0]), bitsOf(expected)) << t.input << " set " << int(set);
                for (float x : in[ch])
                    EXPECT_EQ(bitsOf(x), bitsOf(t.input));
            }
        }
    }
}

// A NaN or infinite sample may spoil its own channel's block, never a
// neighbour lane, and the channel starts over from silence in the next block.
TEST(DcOffsetFilter, BadSampleSpoilsOneBlockOfItsChannelOnly)
{
    const float bad[] = {std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::infinity()};
    const int length = 21;
    for (InstructionSet set : kSets)
    {
        if (set > bestInstructionSet())
            continue;
        for (float badSample : bad)
        {
            SCOPED_TRACE(testing::Message() << "set " << int(set) << " sample " << badSample);
            const int channels = 5, spoiled = 2, at = 6;
            DcOffsetFilter f;
            configure(f, kModeGuitar, 48000.0, channels, set);
            const FilterCoefficients c = row(kModeGuitar, 48000);
            std::vector<ReferenceChannel> ref(channels);
            for (int block = 0; block < 2; ++block)
            {
                Buffers buffers(channels, length, false);
                if (block == 0)
                    buffers.in[spoiled][at] = badSample;
                f.processBlock(buffers.inPtrs.data(), buffers.outPtrs.data(), length);
                for (int ch = 0; ch < channels; ++ch)
                {
                    if (block == 1 && ch == spoiled)
                        ref[ch] = ReferenceChannel(); // starts over from silence
                    std::vector<float> expected;
                    for (float x : buffers.in[ch])
                        expected.push_back(ref[ch].step(c, x));
                    if (block == 0 && ch == spoiled)
                    {
                        expected.resize(at); // NaN payloads may differ
                        EXPECT_EQ(firstMismatch(buffers.outPtrs[ch], expected), -1);
                        for (int i = at; i < length; ++i)
                            EXPECT_FALSE(std::isfinite(buffers.outPtrs[ch][i])) << i;
                        double s0, s1, s2;
                        f.getRegisters(ch, s0, s1, s2);
                        EXPECT_EQ(s0, 0.0);
                        EXPECT_EQ(s1, 0.0);
                        EXPECT_EQ(s2, 0.0);
                    }
                    else
                    {
                        EXPECT_EQ(firstMismatch(buffers.outPtrs[ch], expected), -1)
                            << "block " << block << " channel " << ch;
                    }
                }
            }
        }
    }
}

TEST(DcOffsetFilter, SampleRateLoadsRowDesignOrNothing)
{
    const double inf = std::numeric_limits<double>::infinity();
    const struct
    {
        double rate;
        double storedRate;
        FilterCoefficients expected;
    } cases[] = {
        {44100.5, 44100.5, row(kModeGuitar, 44100)},
        {96000.0, 96000.0, row(kModeGuitar, 96000)},
        {16000.0, 16000.0, designCoefficients(kModeGuitar, 16000.0)},
        {50000.25, 50000.25, designCoefficients(kModeGuitar, 50000.25)},
        {30.0, 30.0, row(kModeGuitar, 48000)}, // below twice the edge: no usable set
        {0.0, 48000.0, row(kModeGuitar, 48000)},
        {-44100.0, 48000.0, row(kModeGuitar, 48000)},
        {inf, 48000.0, row(kModeGuitar, 48000)},
        {-inf, 48000.0, row(kModeGuitar, 48000)},
        {std::nan(""), 48000.0, row(kModeGuitar, 48000)},
    };
    for (const auto& t : cases)
    {
        DcOffsetFilter f;
        configure(f, kModeGuitar, 48000.0, 2);
        f.setSampleRate(t.rate);
        EXPECT_EQ(f.getSampleRate(), t.storedRate) << t.rate;
        EXPECT_TRUE(holds(f, t.expected)) << t.rate;
    }
}

TEST(DcOffsetFilter, ModeChangesSwapCoefficientsAndKeepRegisters)
{
    DcOffsetFilter f;
    configure(f, kModeBassDrop, 44100.0, 3);
    Buffers buffers(3, 50, false);
    f.processBlock(buffers.inPtrs.data(), buffers.outPtrs.data(), 50);
    double before[3], after[3];
    f.getRegisters(2, before[0], before[1], before[2]);
    ASSERT_NE(before[0], 0.0);

    f.setMode(kModeBassDrop); // same mode: nothing happens
    EXPECT_TRUE(holds(f, row(kModeBassDrop, 44100)));

    f.setMode(kModeSuperLow);
    EXPECT_EQ(f.getMode(), kModeSuperLow);
    EXPECT_TRUE(holds(f, row(kModeSuperLow, 44100)));
    f.setSampleRate(22050.0);
    EXPECT_TRUE(holds(f, row(kModeSuperLow, 22050)));
    f.getRegisters(2, after[0], after[1], after[2]);
    EXPECT_EQ(std::memcmp(before, after, sizeof before), 0);

    // An unknown mode is kept but loads nothing, even on a later rate change.
    f.setMode(static_cast<FilterMode>(7));
    EXPECT_EQ(f.getMode(), 7);
    f.setSampleRate(48000.0);
    EXPECT_EQ(f.getSampleRate(), 48000.0);
    EXPECT_TRUE(holds(f, row(kModeSuperLow, 22050)));
    f.setMode(kModeGuitar);
    EXPECT_TRUE(holds(f, row(kModeGuitar, 48000)));
}

TEST(DcOffsetFilter, SetupClearsRegistersAndKeepsSettings)
{
    DcOffsetFilter f;
    configure(f, kModeGuitar, 96000.0, 2);
    Buffers buffers(2, 50, false);
    f.processBlock(buffers.inPtrs.data(), buffers.outPtrs.data(), 50);
    ASSERT_TRUE(f.setup(6));
    EXPECT_EQ(f.getChannelCount(), 6);
    EXPECT_EQ(f.getMode(), kModeGuitar);
    EXPECT_EQ(f.getSampleRate(), 96000.0);
    EXPECT_TRUE(holds(f, row(kModeGuitar, 96000)));
    for (int ch = 0; ch < 6; ++ch)
    {
        double s0 = 1, s1 = 1, s2 = 1;
        f.getRegisters(ch, s0, s1, s2);
        EXPECT_EQ(s0 + s1 + s2, 0.0);
    }
    EXPECT_FALSE(f.setup(-1));
    EXPECT_EQ(f.getChannelCount(), 0);
}

// Calls that must leave every output sample and register alone.
TEST(DcOffsetFilter, EmptyOrInvalidCallsTouchNothing)
{
    const struct
    {
        const char* name;
        int setupChannels;
        int numSamples;
        int numChannels;
        bool nullInputs;
        bool nullOutputs;
    } cases[] = {
        {"no channels", 0, 16, 2, false, false},   {"failed setup", -3, 16, 2, false, false},
        {"zero samples", 2, 0, 2, false, false},   {"negative samples", 2, -5, 2, false, false},
        {"zero channels", 2, 16, 0, false, false}, {"negative channels", 2, 16, -1, false, false},
        {"null inputs", 2, 16, 2, true, false},    {"null outputs", 2, 16, 2, false, true},
    };
    for (const auto& t : cases)
    {
        DcOffsetFilter f;
        f.setSampleRate(44100.0);
        f.setup(t.setupChannels);
        Buffers buffers(2, 16, false);
        f.processBlock(t.nullInputs ? nullptr : buffers.inPtrs.data(),
                       t.nullOutputs ? nullptr : buffers.outPtrs.data(), t.numSamples,
                       t.numChannels);
        if (!t.nullOutputs) // advancing without outputs is what advance is for
            f.advance(t.nullInputs ? nullptr : buffers.inPtrs.data(), t.numSamples, t.numChannels);
        for (int ch = 0; ch < 2; ++ch)
        {
            for (float y : buffers.out[ch])
                EXPECT_EQ(y, -7.0f) << t.name;
            double s0, s1, s2;
            f.getRegisters(ch, s0, s1, s2);
            EXPECT_EQ(s0 + s1 + s2, 0.0) << t.name;
        }
    }
}

TEST(DcOffsetFilter, ChannelArgumentIsClampedToChannelCount)
{
    for (int requested : {1, 3, 9})
    {
        DcOffsetFilter f;
        configure(f, kModeBassDrop, 48000.0, 3);
        Buffers buffers(9, 16, false);
        f.processBlock(buffers.inPtrs.data(), buffers.outPtrs.data(), 16, requested);
        for (int ch = 0; ch < 9; ++ch)
        {
            const bool written = ch < std::min(requested, 3);
            EXPECT_EQ(buffers.out[ch][15] != -7.0f, written) << requested << " " << ch;
        }
    }
}

// Advancing while bypassed keeps the registers exactly where filtering would
// have left them, without writing anything.
TEST(DcOffsetFilter, AdvanceMatchesProcessingWithoutWriting)
{
    for (InstructionSet set : kSets)
    {
        if (set > bestInstructionSet())
            continue;
        const int channels = 7, length = 45;
        DcOffsetFilter filtered, advanced;
        configure(filtered, kModeSuperLow, 88200.0, channels, set);
        configure(advanced, kModeSuperLow, 88200.0, channels, set);
        Buffers a(channels, length, false), b(channels, length, false);
        filtered.processBlock(a.inPtrs.data(), a.outPtrs.data(), length);
        advanced.advance(b.inPtrs.data(), length, channels);
        for (int ch = 0; ch < channels; ++ch)
        {
            double r1[3], r2[3];
            filtered.getRegisters(ch, r1[0], r1[1], r1[2]);
            advanced.getRegisters(ch, r2[0], r2[1], r2[2]);
            EXPECT_EQ(std::memcmp(r1, r2, sizeof r1), 0) << int(set) << " channel " << ch;
            EXPECT_EQ(b.in[ch], a.in[ch]);
            for (float y : b.out[ch])
                ASSERT_EQ(y, -7.0f);
        }
    }
}

// A DC level dies away; a 1 kHz tone passes at full level, at a tabled rate
// and at a designed one.
TEST(DcOffsetFilter, RemovesDcAndPassesTone)
{
    const double rates[] = {44100.0, 16000.0};
    for (double rate : rates)
        for (FilterMode mode : kModes)
        {
            DcOffsetFilter f;
            configure(f, mode, rate, 2);
            const int length = static_cast<int>(rate); // one second
            std::vector<float> dc(length, 0.5f), tone(length);
            for (int i = 0; i < length; ++i)
                tone[i] = static_cast<float>(std::sin(2.0 * M_PI * 1000.0 * i / rate));
            std::vector<float> dcOut(length), toneOut(length);
            const float* ip[] = {dc.data(), tone.data()};
            float* op[] = {dcOut.data(), toneOut.data()};
            f.processBlock(ip, op, length);
            // Over the second half: whole cycles of the tone, long after the onset.
            double dcTail = 0.0, inEnergy = 0.0, outEnergy = 0.0;
            for (int i = length / 2; i < length; ++i)
            {
                dcTail = std::max(dcTail, std::fabs(double(dcOut[i])));
                inEnergy += double(tone[i]) * tone[i];
                outEnergy += double(toneOut[i]) * toneOut[i];
            }
            EXPECT_LT(dcTail, 1e-6) << rate << " mode " << int(mode);
            EXPECT_NEAR(std::sqrt(outEnergy / inEnergy), 1.0, 1e-4)
                << rate << " mode " << int(mode);
        }
}
