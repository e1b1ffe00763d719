// The frequency response of the built plug-in, measured as the README's plot
// is: corners where the filter design puts them, flat in the pass band, the
// stop band at least 40 dB down.
#include "pluginlocator.h"
#include "responsemeasure.h"
#include "responseplot.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

using namespace KestrumTool;

TEST(Response, EachModeHasItsCornerAndStopBand)
{
    const struct
    {
        double modeValue, corner, edge;
    } modes[] = {{0.0, 15.06, 5.0}, {0.5, 37.65, 12.5}, {1.0, 60.23, 20.0}};
    const double rate = 44100.0;
    for (const auto& mode : modes)
    {
        std::string error;
        auto plugin = openPlugin(KESTRUM_VST3_BUNDLE_PATH, false, error);
        ASSERT_TRUE(plugin) << error;
        ASSERT_TRUE(plugin->setParameter(1, mode.modeValue));
        ASSERT_TRUE(plugin->start(rate, 512, 2));

        ResponseCurve curve{"", logFrequencies(1.0, 1000.0, 200), {}};
        ASSERT_TRUE(measureResponse(*plugin, rate, 2, static_cast<int>(rate * 4), curve.frequencies,
                                    curve.gainsDb));
        EXPECT_NEAR(minus3dBFrequency(curve), mode.corner, 0.05);
        EXPECT_NEAR(curve.gainsDb.back(), 0.0, 1e-5) << "flat at 1 kHz";
        for (size_t i = 0; i < curve.frequencies.size(); ++i)
        {
            if (curve.frequencies[i] < mode.edge * 0.98)
            {
                EXPECT_LT(curve.gainsDb[i], -39.9) << curve.frequencies[i] << " Hz";
            }
        }
        plugin->stop();
    }
}

TEST(Response, PlotIsWrittenAsPng)
{
    KestrumTest::TempDir dir;
    const std::string path = dir.file("plot.png");
    ResponseCurve curve{"flat", logFrequencies(1.0, 1000.0, 10), {}};
    curve.gainsDb.assign(curve.frequencies.size(), 0.0);
    std::string error;
    ASSERT_TRUE(drawResponsePlot({curve}, PlotRange{}, "test", path, error)) << error;
    std::ifstream file(path, std::ios::binary);
    char magic[8] = {};
    file.read(magic, 8);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");
    EXPECT_FALSE(
        drawResponsePlot({curve}, PlotRange{}, "test", dir.file("no/such/dir.png"), error));
}
