// Where the tools look for the plug-in when none is named: the per-user
// folders first, then the system-wide ones hosts search. Only temporary
// folders are created; the system folders appear as names, never touched.
#include "pluginlocator.h"
#include "processoptions.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>

namespace fs = std::filesystem;
using KestrumTest::TempDir;
using KestrumTool::PluginSearch;

namespace
{

const fs::path kBundle = "Tavrek Kestrum.vst3";
const fs::path kVst2Module = "TK Kestrum VST2.so";

using Paths = std::vector<fs::path>;

} // namespace

TEST(PluginLocator, UserFolderThenToolPrefixThenSystemFolders)
{
    TempDir home, prefix;
    PluginSearch search;
    search.home = home.path().string();
    search.tool = prefix.path() / "bin/kestrum-process";

    EXPECT_EQ(KestrumTool::pluginCandidates(false, search),
              (Paths{home.path() / ".vst3" / kBundle, prefix.path() / "lib/vst3" / kBundle,
                     "/usr/lib/vst3" / kBundle, "/usr/local/lib/vst3" / kBundle}));
    EXPECT_EQ(KestrumTool::pluginCandidates(true, search),
              (Paths{home.path() / ".vst" / kVst2Module, prefix.path() / "lib/vst" / kVst2Module,
                     "/usr/lib/vst" / kVst2Module, "/usr/local/lib/vst" / kVst2Module}));
}

TEST(PluginLocator, InstalledUnderUsrSearchesEachFolderOnceAndNoHomeWithoutHome)
{
    PluginSearch search;
    search.tool = "/usr/bin/kestrum-process";
    EXPECT_EQ(KestrumTool::pluginCandidates(false, search),
              (Paths{"/usr/lib/vst3" / kBundle, "/usr/local/lib/vst3" / kBundle}));
    search.tool = "/usr/local/bin/kestrum-process";
    EXPECT_EQ(KestrumTool::pluginCandidates(true, search),
              (Paths{"/usr/local/lib/vst" / kVst2Module, "/usr/lib/vst" / kVst2Module}));
}

TEST(PluginLocator, BuiltPluginOnlyForAToolRunFromItsBuildTree)
{
    PluginSearch search;
    search.home = "/home/someone";
    search.buildDir = "/src/build";
    search.builtVst3 = "/src/build/VST3" / kBundle;
    search.builtVst2 = "/src/build/VST" / kVst2Module;

    search.tool = "/src/build/tools/kestrum-process";
    auto candidates = KestrumTool::pluginCandidates(false, search);
    ASSERT_GE(candidates.size(), 2u);
    EXPECT_EQ(candidates[0], "/home/someone/.vst3" / kBundle);
    EXPECT_EQ(candidates[1], search.builtVst3) << "before anything installed system-wide";
    EXPECT_EQ(KestrumTool::pluginCandidates(true, search)[1], search.builtVst2);

    // A sibling folder whose name merely starts with the build folder's.
    for (const char* elsewhere :
         {"/src/build-asan/tools/kestrum-process", "/usr/bin/kestrum-process"})
    {
        search.tool = elsewhere;
        candidates = KestrumTool::pluginCandidates(false, search);
        EXPECT_EQ(std::count(candidates.begin(), candidates.end(), search.builtVst3), 0)
            << elsewhere;
    }
}

TEST(PluginLocator, FirstPresentCandidateWins)
{
    TempDir home, prefix;
    PluginSearch search;
    search.home = home.path().string();
    search.tool = prefix.path() / "bin/kestrum-process";
    const fs::path system = prefix.path() / "lib/vst3" / kBundle;
    const fs::path user = home.path() / ".vst3" / kBundle;
    const Paths temporary{user, system}; // the candidates that may exist here

    const auto present = [&]
    {
        Paths candidates;
        for (const auto& candidate : KestrumTool::pluginCandidates(false, search))
        {
            if (std::find(temporary.begin(), temporary.end(), candidate) != temporary.end())
                candidates.push_back(candidate);
        }
        return KestrumTool::firstPresent(candidates);
    };

    EXPECT_EQ(present(), "") << "nothing installed";
    fs::create_directories(system);
    EXPECT_EQ(present(), system.string()) << "no per-user plug-in: the system-wide one";
    fs::create_directories(user);
    EXPECT_EQ(present(), user.string()) << "the user's own wins";
}

TEST(ManualPage, KestrumProcessPageNamesEveryOptionOfItsHelp)
{
    std::ifstream in(std::string(KESTRUM_MAN_DIR) + "/kestrum-process.1");
    ASSERT_TRUE(in) << KESTRUM_MAN_DIR;
    std::string page(std::istreambuf_iterator<char>(in), {});
    page = std::regex_replace(page, std::regex(R"(\\-)"), "-");
    EXPECT_EQ(page.find("@PROJECT_VERSION@"), std::string::npos);

    const std::string help = KestrumTool::usageText("kestrum-process");
    const std::regex option(R"((?:^|[\s(])(--?[a-z][a-z0-9-]*))");
    std::set<std::string> options;
    for (auto it = std::sregex_iterator(help.begin(), help.end(), option);
         it != std::sregex_iterator(); ++it)
        options.insert((*it)[1].str());
    EXPECT_GE(options.size(), 6u);
    for (const auto& name : options)
        EXPECT_NE(page.find(name), std::string::npos) << name << " is missing from the page";
}
