// Ardour's own VST 3 scanner, from Debian's ardour package, run on the built
// bundle: what a real host learns about the plug-in when it scans it.
#include "support/childprocess.h"
#include "support/tempdir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>

namespace
{

constexpr char kScanner[] = "/usr/lib/ardour7/ardour-vst3-scanner";
constexpr char kArdourLibs[] = "/usr/lib/ardour7";

std::string attribute(const std::string& xml, const std::string& name)
{
    const std::regex pattern("\\s" + name + "=\"([^\"]*)\"");
    std::smatch match;
    return std::regex_search(xml, match, pattern) ? match[1].str() : std::string("<missing>");
}

} // namespace

TEST(ArdourScan, Vst3ScannerCachesTheRightDescription)
{
    if (!std::filesystem::exists(kScanner))
        GTEST_SKIP() << "Ardour is not installed (apt-get install ardour)";

    KestrumTest::TempDir cache;
    const auto run = KestrumTest::runProcess(
        {kScanner, "-f", KESTRUM_VST3_BUNDLE_PATH},
        {std::string("LD_LIBRARY_PATH=") + kArdourLibs, "XDG_CACHE_HOME=" + cache.path().string()});
    // The scanner's exit status says nothing; its messages and cache do.
    const std::string messages = run.out + run.err;
    EXPECT_EQ(messages.find("[ERROR]"), std::string::npos) << messages;

    // One cache file, named by the SHA-1 of the module's path.
    const std::filesystem::path folder = cache.path() / "ardour7" / "vst";
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        files.push_back(entry.path());
    ASSERT_EQ(files.size(), 1u) << messages;
    EXPECT_TRUE(std::regex_match(files[0].filename().string(), std::regex("[0-9a-f]{40}\\.v3i")))
        << files[0];

    std::ifstream in(files[0]);
    const std::string xml((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(attribute(xml, "bundle"), KESTRUM_VST3_BUNDLE_PATH);
    EXPECT_EQ(attribute(xml, "module"), KESTRUM_VST3_BINARY_PATH);
    const auto infoStart = xml.find("<VST3Info ");
    ASSERT_NE(infoStart, std::string::npos) << xml;
    const std::string info = xml.substr(infoStart, xml.find('>', infoStart) - infoStart);
    EXPECT_EQ(attribute(info, "uid"), "74E8DE4F82554F5286FAE4122C935A17");
    EXPECT_EQ(attribute(info, "name"), "Tavrek Kestrum VST3");
    EXPECT_EQ(attribute(info, "vendor"), "Tavrek");
    EXPECT_EQ(attribute(info, "category"), "Fx");
    EXPECT_EQ(attribute(info, "version"), "1.0.0.1");
    EXPECT_EQ(attribute(info, "n_inputs"), "2");
    EXPECT_EQ(attribute(info, "n_outputs"), "2");
    EXPECT_EQ(attribute(info, "n_aux_inputs"), "0");
    EXPECT_EQ(attribute(info, "n_midi_inputs"), "0");
}
