// The tool's before/after figures: known signals give their known levels,
// and every vectorised loop agrees with the plain two-biquad recurrence
// whatever the channel count and however the audio is split into calls.
#include "levelmeter.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

using KestrumTool::LevelMeters;

namespace
{

constexpr double kRate = 48000.0;

// The meter's definition written out plainly: two RBJ low-pass sections at
// 20 Hz with the Butterworth Qs, transposed direct form II, one sample at a
// time.
struct ReferenceMeter
{
    struct Section
    {
        double b0, b1, b2, a1, a2, z1 = 0, z2 = 0;
        Section(double q)
        {
            const double w0 = 2 * M_PI * 20.0 / kRate;
            const double alpha = std::sin(w0) / (2 * q), cosw = std::cos(w0), a0 = 1 + alpha;
            b0 = b2 = (1 - cosw) / 2 / a0;
            b1 = (1 - cosw) / a0;
            a1 = -2 * cosw / a0;
            a2 = (1 - alpha) / a0;
        }
        double run(double x)
        {
            const double y = b0 * x + z1;
            z1 = b1 * x - a1 * y + z2;
            z2 = b2 * x - a2 * y;
            return y;
        }
    };
    Section first{1 / (2 * std::cos(M_PI / 8))};
    Section second{1 / (2 * std::cos(3 * M_PI / 8))};
    double sum = 0, squares = 0;
    long count = 0;

    void add(float x)
    {
        sum += x;
        const double low = second.run(first.run(x));
        squares += low * low;
        ++count;
    }
    double db() const { return 10 * std::log10(squares / static_cast<double>(count)); }
};

// The 4th-order Butterworth magnitude at f after the bilinear transform.
double butterworthDb(double hz)
{
    const double ratio = std::tan(M_PI * hz / kRate) / std::tan(M_PI * 20.0 / kRate);
    return -10 * std::log10(1 + std::pow(ratio, 8));
}

std::vector<float> signal(double seconds, double dc, double hz, double amplitude)
{
    std::vector<float> samples(static_cast<size_t>(seconds * kRate));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<float>(
            dc + amplitude * std::sin(2 * M_PI * hz * static_cast<double>(i) / kRate));
    return samples;
}

} // namespace

TEST(LevelMeters, KnownSignalsReadTheirLevelWithinAHundredthOfADecibel)
{
    struct Case
    {
        const char* what;
        double dc, hz, amplitude, expectedDb;
    };
    // DC is all low band; a sine's RMS is its amplitude over sqrt(2), times
    // the low-pass gain at its frequency (5 Hz: -0.00007 dB; 1 kHz: nothing
    // left).
    const Case cases[] = {
        {"dc 0.1", 0.1, 0, 0, -20.0},
        {"dc -0.5", -0.5, 0, 0, 20 * std::log10(0.5)},
        {"5 Hz at 0.5", 0, 5, 0.5, 20 * std::log10(0.5 / std::sqrt(2.0)) + butterworthDb(5)},
        {"5 Hz at 0.01", 0, 5, 0.01, 20 * std::log10(0.01 / std::sqrt(2.0)) + butterworthDb(5)},
        {"dc 0.25 with 1 kHz", -0.25, 1000, 0.5, 20 * std::log10(0.25)},
    };
    // All cases side by side in one meter: lanes of one group and a second
    // group, which must not see each other.
    std::vector<std::vector<float>> channels;
    for (const Case& c : cases)
        channels.push_back(signal(60, c.dc, c.hz, c.amplitude));
    std::vector<const float*> pointers;
    for (const auto& channel : channels)
        pointers.push_back(channel.data());
    LevelMeters meters(kRate, static_cast<int>(channels.size()));
    meters.add(pointers.data(), static_cast<std::int64_t>(channels[0].size()));
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE(cases[i].what);
        EXPECT_NEAR(meters.dcOffset(static_cast<int>(i)), cases[i].dc, 1e-6);
        EXPECT_NEAR(meters.lowBandDb(static_cast<int>(i)), cases[i].expectedDb, 0.01);
    }
}

TEST(LevelMeters, AgreeWithThePlainRecurrenceForAnyChannelCountAndSplit)
{
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.0f, 0.2f);
    const size_t frames = 48000;
    // Split points that fall inside and across vector-sized runs.
    const size_t splits[] = {0, 1, 4, 100, 4097, 30000, frames};
    std::vector<LevelMeters::Kernel> kernels = {LevelMeters::Kernel::kSse2};
    if (__builtin_cpu_supports("avx"))
        kernels.push_back(LevelMeters::Kernel::kAvx);
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
        kernels.push_back(LevelMeters::Kernel::kFma);
    for (int numChannels : {1, 2, 3, 4, 5, 8, 9})
    {
        SCOPED_TRACE(numChannels);
        std::vector<std::vector<float>> channels(static_cast<size_t>(numChannels));
        std::vector<ReferenceMeter> references(static_cast<size_t>(numChannels));
        for (size_t c = 0; c < channels.size(); ++c)
        {
            // A different offset per channel, so a lane mix-up shows.
            for (size_t i = 0; i < frames; ++i)
                channels[c].push_back(0.05f * static_cast<float>(c) + noise(random));
            for (float x : channels[c])
                references[c].add(x);
        }
        for (LevelMeters::Kernel kernel : kernels)
        {
            SCOPED_TRACE(static_cast<int>(kernel));
            LevelMeters meters(kRate, numChannels, kernel);
            for (size_t s = 0; s + 1 < std::size(splits); ++s)
            {
                std::vector<const float*> pointers;
                for (const auto& channel : channels)
                    pointers.push_back(channel.data() + splits[s]);
                meters.add(pointers.data(), static_cast<std::int64_t>(splits[s + 1] - splits[s]));
            }
            EXPECT_EQ(meters.count(), static_cast<std::int64_t>(frames));
            for (int c = 0; c < numChannels; ++c)
            {
                const ReferenceMeter& reference = references[static_cast<size_t>(c)];
                EXPECT_NEAR(meters.dcOffset(c), reference.sum / frames, 1e-12);
                EXPECT_NEAR(meters.lowBandDb(c), reference.db(), 1e-6);
            }
        }
    }
}

TEST(LevelMeters, SilenceAndNoAudioReadMinusInfinity)
{
    LevelMeters empty(kRate, 2);
    EXPECT_TRUE(std::isinf(empty.lowBandDb(0)));
    EXPECT_EQ(empty.dcOffset(1), 0.0);

    const std::vector<float> zeros(1000, 0.0f);
    const float* pointers[] = {zeros.data()};
    LevelMeters silent(kRate, 1);
    silent.add(pointers, 1000);
    EXPECT_TRUE(std::isinf(silent.lowBandDb(0)) && silent.lowBandDb(0) < 0);
    EXPECT_EQ(silent.dcOffset(0), 0.0);

    // A 1 kHz tone alone hardly registers (what shows is the low-pass
    // starting from rest).
    const auto tone = signal(1, 0, 1000, 0.5);
    const float* tonePointer[] = {tone.data()};
    LevelMeters meter(kRate, 1);
    meter.add(tonePointer, static_cast<std::int64_t>(tone.size()));
    EXPECT_LT(meter.lowBandDb(0), -60.0);
}
