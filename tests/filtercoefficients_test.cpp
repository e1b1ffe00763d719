#include "processor/filtercoefficients.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <limits>

using namespace Kestrum;

namespace
{

const FilterMode kModes[] = {kModeSuperLow, kModeBassDrop, kModeGuitar};

double field(const FilterCoefficients& c, int i)
{
    const double values[] = {c.b0, c.b1, c.b2, c.b3, c.a0, c.a1, c.a2, c.a3};
    return values[i];
}

bool sameBits(const FilterCoefficients& x, const FilterCoefficients& y)
{
    return std::memcmp(&x, &y, sizeof x) == 0;
}

FilterCoefficients tabled(FilterMode mode, std::int32_t rate)
{
    FilterCoefficients c{};
    EXPECT_TRUE(tabledCoefficients(mode, rate, c)) << int(mode) << " " << rate;
    return c;
}

// Frequency response at f Hz.
std::complex<double> response(const FilterCoefficients& c, double f, double rate)
{
    const std::complex<double> z1 = std::polar(1.0, -2.0 * M_PI * f / rate); // z^-1
    const std::complex<double> num = c.b0 + z1 * (c.b1 + z1 * (c.b2 + z1 * c.b3));
    const std::complex<double> den = c.a0 + z1 * (c.a1 + z1 * (c.a2 + z1 * c.a3));
    return num / den;
}

// Jury's test for a cubic denominator: all poles strictly inside the unit circle.
bool isStable(const FilterCoefficients& c)
{
    const double atOne = 1.0 + c.a1 + c.a2 + c.a3;
    const double atMinusOne = -1.0 + c.a1 - c.a2 + c.a3;
    return atOne > 0.0 && atMinusOne < 0.0 && std::fabs(c.a3) < 1.0 &&
           std::fabs(c.a3 * c.a3 - 1.0) > std::fabs(c.a3 * c.a1 - c.a2);
}

} // namespace

TEST(FilterCoefficients, DesignRuleReproducesEveryTableRow)
{
    for (FilterMode mode : kModes)
    {
        for (std::int32_t rate : kTabledRates)
        {
            const FilterCoefficients row = tabled(mode, rate);
            const FilterCoefficients designed = designCoefficients(mode, rate);
            EXPECT_EQ(row.a0, 1.0);
            for (int i = 0; i < 8; ++i)
                EXPECT_NEAR(field(designed, i), field(row, i), 2e-15)
                    << "mode " << int(mode) << " rate " << rate << " coefficient " << i;
        }
    }
}

TEST(FilterCoefficients, RowsWithEqualEdgeToRateRatioAreIdentical)
{
    // Guitar (20 Hz) at four times the rate of super low (5 Hz).
    const std::int32_t pairs[][2] = {
        {88200, 22050}, {176400, 44100}, {192000, 48000}, {352800, 88200}, {384000, 96000}};
    for (const auto& p : pairs)
        EXPECT_TRUE(sameBits(tabled(kModeGuitar, p[0]), tabled(kModeSuperLow, p[1]))) << p[0];
}

TEST(FilterCoefficients, RowsSitAtTheirModeAndRate)
{
    EXPECT_EQ(tabled(kModeBassDrop, 44100).b0, 0.99495755101652439);
    EXPECT_EQ(tabled(kModeSuperLow, 32000).b3, -0.997217195297742);
    EXPECT_EQ(tabled(kModeGuitar, 22050).a2, 2.9357928872404648);
    EXPECT_EQ(tabled(kModeBassDrop, 384000).a3, -0.99883955517455458);
}

TEST(FilterCoefficients, OnlyListedRatesAndModesHaveRows)
{
    const FilterCoefficients sentinel{9, 9, 9, 9, 9, 9, 9, 9};
    const struct
    {
        FilterMode mode;
        std::int32_t rate;
    } misses[] = {{kModeBassDrop, 16000},
                  {kModeBassDrop, 44101},
                  {kModeBassDrop, 0},
                  {kModeBassDrop, -44100},
                  {static_cast<FilterMode>(3), 44100}};
    for (const auto& m : misses)
    {
        FilterCoefficients c = sentinel;
        EXPECT_FALSE(tabledCoefficients(m.mode, m.rate, c)) << m.rate;
        EXPECT_TRUE(sameBits(c, sentinel));
    }
}

TEST(FilterCoefficients, RateSelectsRowByIntegerPartElseDesign)
{
    const double inf = std::numeric_limits<double>::infinity();
    const FilterCoefficients sentinel{9, 9, 9, 9, 9, 9, 9, 9};
    const struct
    {
        FilterMode mode;
        double rate;
        bool found;
        bool fromTable;
        std::int32_t row;
    } cases[] = {
        {kModeBassDrop, 44100.0, true, true, 44100},
        {kModeBassDrop, 44100.5, true, true, 44100},
        {kModeSuperLow, 192000.999, true, true, 192000},
        {kModeGuitar, 16000.0, true, false, 0},
        {kModeGuitar, 44099.9, true, false, 0},
        {kModeSuperLow, 1e12, true, false, 0},
        {kModeGuitar, 40.0, false, false, 0}, // twice the 20 Hz edge
        {kModeGuitar, 30.0, false, false, 0},
        {kModeBassDrop, 0.0, false, false, 0},
        {kModeBassDrop, -48000.0, false, false, 0},
        {kModeBassDrop, inf, false, false, 0},
        {kModeBassDrop, std::nan(""), false, false, 0},
        {static_cast<FilterMode>(3), 48000.0, false, false, 0},
    };
    for (const auto& t : cases)
    {
        FilterCoefficients c = sentinel;
        ASSERT_EQ(coefficientsForRate(t.mode, t.rate, c), t.found) << t.rate;
        if (!t.found)
            EXPECT_TRUE(sameBits(c, sentinel)) << t.rate;
        else if (t.fromTable)
            EXPECT_TRUE(sameBits(c, tabled(t.mode, t.row))) << t.rate;
        else
            EXPECT_TRUE(sameBits(c, designCoefficients(t.mode, t.rate))) << t.rate;
    }
}

TEST(FilterCoefficients, DesignedSetsAreStableHighPasses)
{
    for (double rate : {8000.0, 16000.0, 24000.0, 64000.0, 22050.0, 384000.0})
    {
        for (FilterMode mode : kModes)
        {
            SCOPED_TRACE(testing::Message() << "mode " << int(mode) << " rate " << rate);
            const FilterCoefficients c = designCoefficients(mode, rate);
            EXPECT_TRUE(isStable(c));
            // Exact zero at DC: the numerator sums to zero within rounding.
            EXPECT_NEAR(c.b0 + c.b1 + c.b2 + c.b3, 0.0, 1e-15);
            EXPECT_NEAR(std::abs(response(c, rate / 2.0, rate)), 1.0, 1e-12);
            EXPECT_NEAR(std::abs(response(c, 1000.0, rate)), 1.0, 1e-7); // flat passband
            const double edge = stopBandEdge(mode);
            for (int k = 1; k <= 50; ++k) // 40 dB below the edge
                EXPECT_LE(std::abs(response(c, edge * k / 50.0, rate)), 0.01 * (1.0 + 1e-6));
            EXPECT_NEAR(std::abs(response(c, edge, rate)), 0.01, 1e-6); // the edge itself
            EXPECT_GT(std::abs(response(c, 4.0 * edge, rate)), 0.9);    // rising above it
        }
    }
}
