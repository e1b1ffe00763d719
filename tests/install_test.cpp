// cmake --install as a user runs it: the plug-in lands where hosts look, and
// the installed tool finds the installed plug-in.
#include "support/childprocess.h"
#include "support/tempdir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using KestrumTest::runProcess;
using KestrumTest::TempDir;

namespace
{

const char kBinaryInBundle[] = "Tavrek Kestrum.vst3/Contents/x86_64-linux/Tavrek Kestrum.so";

// Whether an ELF file still names a DWARF section.
bool hasDebugInfo(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes.find(".debug_info") != std::string::npos;
}

} // namespace

TEST(Install, PrefixGetsLibFoldersAndTheToolUsesThem)
{
    TempDir prefix;
    TempDir home; // empty: nothing installed for this user
    for (const char* component : {"plugin", "tool"})
    {
        const auto install =
            runProcess({KESTRUM_CMAKE_COMMAND, "--install", KESTRUM_BUILD_DIR, "--component",
                        component, "--prefix", prefix.path().string()});
        ASSERT_EQ(install.exitCode, 0) << install.out << install.err;
    }
    EXPECT_TRUE(fs::is_regular_file(prefix.path() / "lib/vst3" / kBinaryInBundle));
    EXPECT_TRUE(fs::is_regular_file(prefix.path() / "lib/vst/TK Kestrum VST2.so"));
    EXPECT_TRUE(fs::is_regular_file(prefix.path() / "lib/clap/Kestrum.clap"));
    // Installed without debug information (unless a packager strips it
    // itself); the build tree keeps it.
    EXPECT_TRUE(hasDebugInfo(KESTRUM_VST3_BINARY_PATH));
    EXPECT_NE(hasDebugInfo(prefix.path() / "lib/vst3" / kBinaryInBundle),
              KESTRUM_STRIPS_ON_INSTALL);
    EXPECT_NE(hasDebugInfo(prefix.path() / "lib/vst/TK Kestrum VST2.so"),
              KESTRUM_STRIPS_ON_INSTALL);
    const fs::path tool = prefix.path() / "bin/kestrum-process";
    ASSERT_TRUE(fs::is_regular_file(tool));

    const auto demo = runProcess({tool.string()}, {"HOME=" + home.path().string()});
    ASSERT_EQ(demo.exitCode, 0) << demo.err;
    const std::string bundle = (prefix.path() / "lib/vst3/Tavrek Kestrum.vst3").string();
    EXPECT_NE(demo.out.find("(VST 3, " + bundle + ")"), std::string::npos) << demo.out;
}

TEST(Install, DestdirHoldsEverythingAStagedInstallUnderTheNamedPrefix)
{
    // A packager's or an administrator's staged install: everything below
    // DESTDIR under the prefix named, whatever it is (/usr/local is also
    // CMake's default, which alone must not mean the user's folders), and
    // nothing in the installing user's home. uninstall.sh takes it away again.
    for (const std::string prefix : {"/usr", "/usr/local"})
    {
        SCOPED_TRACE(prefix);
        TempDir stage;
        TempDir home;
        const std::vector<std::string> env = {"DESTDIR=" + stage.path().string(),
                                              "HOME=" + home.path().string()};
        const auto install = runProcess({KESTRUM_CMAKE_COMMAND, "--install", KESTRUM_BUILD_DIR,
                                         "--component", "plugin", "--prefix", prefix},
                                        env);
        ASSERT_EQ(install.exitCode, 0) << install.out << install.err;
        const fs::path lib = stage.path() / prefix.substr(1) / "lib";
        const fs::path modules[] = {lib / "vst3" / kBinaryInBundle, lib / "vst/TK Kestrum VST2.so",
                                    lib / "lv2/kestrum.lv2/kestrum.so", lib / "clap/Kestrum.clap"};
        for (const fs::path& module : modules)
        {
            ASSERT_TRUE(fs::is_regular_file(module)) << module;
            EXPECT_NE(hasDebugInfo(module), KESTRUM_STRIPS_ON_INSTALL) << module;
        }
        EXPECT_TRUE(fs::is_empty(home.path()));
        EXPECT_FALSE(fs::exists(stage.path() / home.path().relative_path()));

        const auto uninstall = runProcess({"/bin/bash", KESTRUM_UNINSTALL_SCRIPT, prefix}, env);
        ASSERT_EQ(uninstall.exitCode, 0) << uninstall.err;
        for (const char* installed : {"vst3/Tavrek Kestrum.vst3", "vst/TK Kestrum VST2.so",
                                      "lv2/kestrum.lv2", "clap/Kestrum.clap"})
            EXPECT_FALSE(fs::exists(lib / installed)) << installed;
    }
}

TEST(Install, DefaultPrefixMeansTheUsersPluginFolders)
{
    if (!KESTRUM_INSTALLS_TO_HOME)
        GTEST_SKIP() << "this build was configured with its own install prefix";
    TempDir home;
    const auto install =
        runProcess({KESTRUM_CMAKE_COMMAND, "--install", KESTRUM_BUILD_DIR, "--component", "plugin"},
                   {"HOME=" + home.path().string()});
    ASSERT_EQ(install.exitCode, 0) << install.out << install.err;
    EXPECT_TRUE(fs::is_regular_file(home.path() / ".vst3" / kBinaryInBundle));
    EXPECT_TRUE(fs::is_regular_file(home.path() / ".vst/TK Kestrum VST2.so"));
    EXPECT_TRUE(fs::is_regular_file(home.path() / ".clap/Kestrum.clap"));
    // The tool prefers the user's folder over the build tree.
    const auto demo = runProcess({KESTRUM_PROCESS_TOOL}, {"HOME=" + home.path().string()});
    ASSERT_EQ(demo.exitCode, 0) << demo.err;
    EXPECT_NE(demo.out.find(home.path().string() + "/.vst3/Tavrek Kestrum.vst3"), std::string::npos)
        << demo.out;
}
