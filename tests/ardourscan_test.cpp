// Ardour's own plug-in scanners, from Debian's ardour package, run on the
// built modules: what a real host learns about the plug-in when it first
// meets it. Skipped where Ardour is not installed.
#include "support/childprocess.h"
#include "support/tempdir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>

namespace
{

constexpr char kArdourLibs[] = "/usr/lib/ardour7";

std::string attribute(const std::string& xml, const std::string& name)
{
    const std::regex pattern("\\s" + name + "=\"([^\"]*)\"");
    std::smatch match;
    return std::regex_search(xml, match, pattern) ? match[1].str() : std::string("<missing>");
}

struct Scan
{
    std::string messages;
    std::filesystem::path cacheFile;
    std::string xml;
};

// Runs a scanner on one module with a private cache folder. The scanner's
// exit status says nothing; its messages and its one cache file do.
Scan scan(const std::string& scanner, const std::string& module, const KestrumTest::TempDir& cache)
{
    Scan result;
    const auto run = KestrumTest::runProcess(
        {scanner, "-f", module},
        {std::string("LD_LIBRARY_PATH=") + kArdourLibs, "XDG_CACHE_HOME=" + cache.path().string()});
    result.messages = run.out + run.err;
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry :
         std::filesystem::directory_iterator(cache.path() / "ardour7" / "vst", ec))
        files.push_back(entry.path());
    if (files.size() == 1)
    {
        result.cacheFile = files[0];
        std::ifstream in(files[0]);
        result.xml.assign(std::istreambuf_iterator<char>(in), {});
    }
    return result;
}

} // namespace

TEST(ArdourScan, Vst3ScannerCachesTheRightDescription)
{
    const std::string scanner = std::string(kArdourLibs) + "/ardour-vst3-scanner";
    if (!std::filesystem::exists(scanner))
        GTEST_SKIP() << "Ardour is not installed (apt-get install ardour)";

    KestrumTest::TempDir cache;
    const Scan result = scan(scanner, KESTRUM_VST3_BUNDLE_PATH, cache);
    EXPECT_EQ(result.messages.find("[ERROR]"), std::string::npos) << result.messages;
    // One cache file, named by the SHA-1 of the module's path.
    ASSERT_FALSE(result.xml.empty()) << result.messages;
    EXPECT_TRUE(
        std::regex_match(result.cacheFile.filename().string(), std::regex("[0-9a-f]{40}\\.v3i")))
        << result.cacheFile;

    EXPECT_EQ(attribute(result.xml, "bundle"), KESTRUM_VST3_BUNDLE_PATH);
    EXPECT_EQ(attribute(result.xml, "module"), KESTRUM_VST3_BINARY_PATH);
    const auto infoStart = result.xml.find("<VST3Info ");
    ASSERT_NE(infoStart, std::string::npos) << result.xml;
    const std::string info =
        result.xml.substr(infoStart, result.xml.find('>', infoStart) - infoStart);
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

TEST(ArdourScan, Vst2ScannerFindsTheEffect)
{
    const std::string scanner = std::string(kArdourLibs) + "/ardour-vst-scanner";
    if (!std::filesystem::exists(scanner))
        GTEST_SKIP() << "Ardour is not installed (apt-get install ardour)";

    KestrumTest::TempDir cache;
    const Scan result = scan(scanner, KESTRUM_VST2_MODULE_PATH, cache);
    EXPECT_EQ(result.messages.find("[ERROR]"), std::string::npos) << result.messages;
    ASSERT_FALSE(result.xml.empty()) << result.messages;
    EXPECT_TRUE(std::regex_match(result.cacheFile.filename().string(),
                                 std::regex("[0-9a-f]{40}-x64\\.v2i")))
        << result.cacheFile;

    EXPECT_EQ(attribute(result.xml, "binary"), KESTRUM_VST2_MODULE_PATH);
    EXPECT_EQ(attribute(result.xml, "id"), "1416320562"); // 'TkV2'
    EXPECT_EQ(attribute(result.xml, "name"), "Tavrek Kestrum VST3");
    EXPECT_EQ(attribute(result.xml, "creator"), "Tavrek");
    EXPECT_EQ(attribute(result.xml, "category"), "Restoration");
    EXPECT_EQ(attribute(result.xml, "n_inputs"), "2");
    EXPECT_EQ(attribute(result.xml, "n_outputs"), "2");
    EXPECT_EQ(attribute(result.xml, "n_midi_inputs"), "0");
    EXPECT_EQ(attribute(result.xml, "is_instrument"), "0");
    EXPECT_EQ(attribute(result.xml, "can_process_replace"), "1");
}
