// The module's output at every tabled rate and mode against the table the
// Windows build is compared with as well (outputchecksum.h). Set
// KESTRUM_WRITE_OUTPUT_CHECKSUMS=<file> to write a new table from this
// build instead.
#include "host/vst3plugin.h"
#include "processor/filtercoefficients.h"
#include "support/outputchecksum.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace
{

KestrumTest::ChecksumTable checksumsOfThisBuild(const char* bundlePath)
{
    KestrumTest::ChecksumTable table;
    std::string error;
    auto plugin = KestrumHost::Vst3Plugin::open(bundlePath, error);
    EXPECT_TRUE(plugin) << error;
    if (!plugin)
        return table;
    for (int rate : Kestrum::kTabledRates)
    {
        for (double mode : KestrumTest::kModeValues)
        {
            std::uint64_t sum = 0;
            EXPECT_TRUE(KestrumTest::outputChecksum(*plugin, rate, mode, sum))
                << rate << " Hz, mode " << mode;
            table[{rate, mode}] = sum;
        }
    }
    return table;
}

} // namespace

TEST(OutputChecksums, EqualTheCommittedTableAtAllTabledRatesAndModes)
{
    const KestrumTest::ChecksumTable table = checksumsOfThisBuild(KESTRUM_VST3_BUNDLE_PATH);
    if (const char* target = std::getenv("KESTRUM_WRITE_OUTPUT_CHECKSUMS"))
    {
        ASSERT_TRUE(KestrumTest::writeChecksumTable(target, table));
        GTEST_SKIP() << "wrote " << target;
    }
    KestrumTest::ChecksumTable expected;
    ASSERT_TRUE(
        KestrumTest::readChecksumTable(KESTRUM_TEST_DATA_DIR "/outputchecksums.txt", expected));
    ASSERT_EQ(expected.size(), 30u);
    EXPECT_EQ(table, expected);
}
