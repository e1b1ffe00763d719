// The modules load no window or drawing library until an editor opens: none
// is among their needed libraries, and an editor over a drawing library that
// lacks its functions refuses to attach instead of failing later.
#include "support/childprocess.h"
#include "support/xvfb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#if defined(KESTRUM_VST3_BINARY_PATH) && defined(KESTRUM_MODULECYCLES_TOOL) &&                     \
    defined(KESTRUM_EMPTY_CAIRO_DIR) && defined(KESTRUM_READELF)

namespace
{

std::vector<std::string> neededLibraries(const std::string& binary)
{
    const KestrumTest::ProcessResult result =
        KestrumTest::runProcess({KESTRUM_READELF, "-d", binary});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<std::string> needed;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);)
    {
        const auto open = line.find("(NEEDED)");
        const auto start = line.find('[', open);
        const auto end = line.find(']', start);
        if (open != std::string::npos && start != std::string::npos && end != std::string::npos)
            needed.push_back(line.substr(start + 1, end - start - 1));
    }
    return needed;
}

TEST(ModuleLibrariesTest, NoWindowOrDrawingLibraryIsNeeded)
{
    std::vector<std::string> binaries = {KESTRUM_VST3_BINARY_PATH};
#ifdef KESTRUM_LV2_BUNDLE_PATH
    binaries.push_back(KESTRUM_LV2_BUNDLE_PATH "/kestrum.so");
#endif
    for (const std::string& binary : binaries)
    {
        const std::vector<std::string> needed = neededLibraries(binary);
        // The C++ runtime at least: the listing was read.
        EXPECT_NE(std::find(needed.begin(), needed.end(), "libc.so.6"), needed.end()) << binary;
        for (const std::string& library : needed)
            for (const char* gui : {"libcairo", "libxcb", "libX11", "libpixman", "libfontconfig",
                                    "libfreetype", "libpng"})
                EXPECT_NE(library.rfind(gui, 0), 0u) << binary << " needs " << library;
    }
}

TEST(ModuleLibrariesTest, EditorOpensOnlyWithTheRealDrawingLibrary)
{
    if (!KestrumTest::XvfbServer::available())
        GTEST_SKIP() << "Xvfb missing";
    KestrumTest::XvfbServer xvfb;
    ASSERT_TRUE(xvfb.running()) << xvfb.problem();
    struct Case
    {
        std::vector<std::string> environment;
        int exitCode;
        const char* printed;
    };
    const Case cases[] = {
        {{}, 0, "editor opened"},
        // Found first: a libcairo.so.2 without cairo's functions.
        {{"LD_LIBRARY_PATH=" KESTRUM_EMPTY_CAIRO_DIR}, 3, "editor refused"},
    };
    for (const Case& c : cases)
    {
        const KestrumTest::ProcessResult result = KestrumTest::runProcess(
            {KESTRUM_MODULECYCLES_TOOL, "--cycles", "2", "--editor", KESTRUM_VST3_BUNDLE_PATH},
            c.environment);
        const std::string context = c.environment.empty() ? "cairo" : c.environment.front();
        EXPECT_EQ(result.exitCode, c.exitCode) << context << "\n" << result.out << result.err;
        EXPECT_NE(result.out.find(c.printed), std::string::npos) << context << "\n" << result.out;
        if (c.exitCode != 0)
        {
            EXPECT_NE(result.err.find("cairo_"), std::string::npos) << result.err;
        }
    }
}

} // namespace

#endif
