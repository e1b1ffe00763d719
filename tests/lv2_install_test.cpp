// The LV2 bundle installed with the VST modules (component "plugin"): under
// <prefix>/lib/lv2 or the user's ~/.lv2, loadable from there, without debug
// information, and gone again after scripts/uninstall.sh.
#include "support/childprocess.h"
#include "support/lilvworld.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#if defined(KESTRUM_CMAKE_COMMAND) && defined(KESTRUM_LV2_BUNDLE_PATH) &&                          \
    defined(KESTRUM_SOURCE_DIR)

namespace fs = std::filesystem;
using KestrumTest::runProcess;
using KestrumTest::TempDir;

namespace
{

const char* const kBundleFiles[] = {"manifest.ttl", "kestrum.ttl", "kestrum.so", "kestrum_ui.so"};

std::string fileText(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

} // namespace

TEST(Lv2Install, PrefixGetsLibLv2StrippedAndUninstallRemovesIt)
{
    TempDir prefix;
    const auto install = runProcess({KESTRUM_CMAKE_COMMAND, "--install", KESTRUM_BUILD_DIR,
                                     "--component", "plugin", "--prefix", prefix.path().string()});
    ASSERT_EQ(install.exitCode, 0) << install.out << install.err;
    const fs::path bundle = prefix.path() / "lib/lv2/kestrum.lv2";
    for (const char* name : kBundleFiles)
        EXPECT_TRUE(fs::is_regular_file(bundle / name)) << name;

    // Stripped: no symbol table and no debug information left (unless a
    // packager strips it itself); the build tree keeps both.
    ASSERT_NE(fileText(KESTRUM_LV2_BUNDLE_PATH "/kestrum.so").find(".debug_info"),
              std::string::npos);
    for (const char* name : {"kestrum.so", "kestrum_ui.so"})
    {
        const std::string binary = fileText(bundle / name);
        EXPECT_NE(binary.find(".debug_info") == std::string::npos, !KESTRUM_STRIPS_ON_INSTALL)
            << name;
        EXPECT_NE(binary.find(".symtab") == std::string::npos, !KESTRUM_STRIPS_ON_INSTALL)
            << name;
    }

    // A host finds the installed copy through its own Turtle.
    {
        KestrumTest::LilvTestWorld installed(bundle.string());
        ASSERT_NE(installed.plugin(), nullptr);
        EXPECT_TRUE(lilv_plugin_verify(installed.plugin()));
    }

    const auto uninstall = runProcess(
        {"/bin/bash", KESTRUM_SOURCE_DIR "/scripts/uninstall.sh", prefix.path().string()});
    ASSERT_EQ(uninstall.exitCode, 0) << uninstall.err;
    EXPECT_FALSE(fs::exists(bundle));
    EXPECT_TRUE(fs::is_directory(prefix.path() / "lib/lv2"));
}

TEST(Lv2Install, DefaultPrefixMeansTheUsersLv2Folder)
{
    if (!KESTRUM_INSTALLS_TO_HOME)
        GTEST_SKIP() << "this build was configured with its own install prefix";
    TempDir home;
    const auto install =
        runProcess({KESTRUM_CMAKE_COMMAND, "--install", KESTRUM_BUILD_DIR, "--component", "plugin"},
                   {"HOME=" + home.path().string()});
    ASSERT_EQ(install.exitCode, 0) << install.out << install.err;
    for (const char* name : kBundleFiles)
        EXPECT_TRUE(fs::is_regular_file(home.path() / ".lv2/kestrum.lv2" / name)) << name;

    const auto uninstall = runProcess({"/bin/bash", KESTRUM_SOURCE_DIR "/scripts/uninstall.sh"},
                                      {"HOME=" + home.path().string()});
    ASSERT_EQ(uninstall.exitCode, 0) << uninstall.err;
    EXPECT_FALSE(fs::exists(home.path() / ".lv2/kestrum.lv2"));
    EXPECT_FALSE(fs::exists(home.path() / ".vst3/Tavrek Kestrum.vst3"));
}

#endif
