// Ardour's own VST 2 scanner, from Debian's ardour package, run on the built
// module: what a real host finds out when it first meets the plug-in.
// Skipped where Ardour is not installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#ifdef KESTRUM_VST2_MODULE_PATH

namespace fs = std::filesystem;

namespace
{

const char* const kScanner = "/usr/lib/ardour7/ardour-vst-scanner";

// Runs a shell command; its standard output and error together.
std::string runCommand(const std::string& command)
{
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return output;
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof(buffer), pipe))
        output.append(buffer, n);
    pclose(pipe);
    return output;
}

std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string attribute(const std::string& xml, const std::string& name)
{
    std::smatch match;
    if (std::regex_search(xml, match, std::regex("\\b" + name + "=\"([^\"]*)\"")))
        return match[1];
    return "<missing>";
}

class TemporaryFolder
{
public:
    TemporaryFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "kestrum-vst2scan-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path = pattern;
    }
    ~TemporaryFolder()
    {
        std::error_code ec;
        if (!path.empty())
            fs::remove_all(path, ec);
    }
    fs::path path;
};

} // namespace

TEST(Vst2Ardour, ScannerFindsTheEffect)
{
    if (!fs::exists(kScanner))
        GTEST_SKIP() << "Ardour's VST 2 scanner is not installed (Debian package ardour)";

    TemporaryFolder cache;
    ASSERT_FALSE(cache.path.empty());
    const std::string module = KESTRUM_VST2_MODULE_PATH;
    const std::string log =
        runCommand("XDG_CACHE_HOME=" + quoted(cache.path.string()) +
                   " LD_LIBRARY_PATH=/usr/lib/ardour7 " + kScanner + " -f " + quoted(module));
    EXPECT_EQ(log.find("[ERROR]"), std::string::npos) << log;

    // The scanner names its cache after the SHA-1 of the module's path.
    const std::string digest = runCommand("printf %s " + quoted(module) + " | sha1sum");
    ASSERT_GE(digest.size(), 40u) << digest;
    const fs::path info = cache.path / "ardour7" / "vst" / (digest.substr(0, 40) + "-x64.v2i");
    ASSERT_TRUE(fs::exists(info)) << "no cache file " << info << "\n" << log;

    std::ifstream file(info);
    std::stringstream content;
    content << file.rdbuf();
    const std::string xml = content.str();
    EXPECT_EQ(attribute(xml, "binary"), module);
    EXPECT_EQ(attribute(xml, "id"), "1416320562"); // 'TkV2'
    EXPECT_EQ(attribute(xml, "name"), "Tavrek Kestrum VST3");
    EXPECT_EQ(attribute(xml, "creator"), "Tavrek");
    EXPECT_EQ(attribute(xml, "category"), "Effect");
    EXPECT_EQ(attribute(xml, "n_inputs"), "2");
    EXPECT_EQ(attribute(xml, "n_outputs"), "2");
    EXPECT_EQ(attribute(xml, "n_midi_inputs"), "0");
    EXPECT_EQ(attribute(xml, "is_instrument"), "0");
    EXPECT_EQ(attribute(xml, "can_process_replace"), "1");
}

#endif
