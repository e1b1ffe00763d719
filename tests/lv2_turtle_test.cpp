// The LV2 Turtle writer: whatever a plug-in names its ports or scale points,
// and whatever numbers its ranges hold, the files parse and say exactly that.
#include "lv2/lv2turtle.h"

#include <serd/serd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using Steinberg::Vst::Lv2TurtlePlugin;
using Steinberg::Vst::Lv2TurtlePort;

namespace
{

struct Parsed
{
    std::vector<std::string> literals;
};

SerdStatus collect(void* handle, SerdStatementFlags, const SerdNode*, const SerdNode*,
                   const SerdNode*, const SerdNode* object, const SerdNode*, const SerdNode*)
{
    if (object->type == SERD_LITERAL)
        static_cast<Parsed*>(handle)->literals.emplace_back(
            reinterpret_cast<const char*>(object->buf), object->n_bytes);
    return SERD_SUCCESS;
}

// The literals of a Turtle text, in order; false when it does not parse.
bool parse(const std::string& text, Parsed& parsed)
{
    SerdReader* reader =
        serd_reader_new(SERD_TURTLE, &parsed, nullptr, nullptr, nullptr, collect, nullptr);
    serd_reader_set_strict(reader, true);
    const SerdStatus status =
        serd_reader_read_string(reader, reinterpret_cast<const uint8_t*>(text.c_str()));
    serd_reader_free(reader);
    return status == SERD_SUCCESS;
}

bool contains(const std::vector<std::string>& all, const std::string& one)
{
    for (const auto& item : all)
        if (item == one)
            return true;
    return false;
}

Lv2TurtlePlugin awkwardPlugin()
{
    Lv2TurtlePlugin plugin;
    plugin.uri = "urn:test:plugin";
    plugin.name = "Say \"hi\" \\ there\nnow";
    plugin.pluginClass = "FilterPlugin";
    plugin.makerName = "Maker";
    plugin.makerPage = "https://maker.example";
    plugin.makerEmail = "mailto:a@maker.example";
    plugin.licenseUri = "urn:test:licence";
    plugin.binary = "plugin.so";
    plugin.descriptionFile = "plugin.ttl";
    Lv2TurtlePort port;
    port.kind = Lv2TurtlePort::Kind::controlInput;
    port.index = 0;
    port.symbol = "gain";
    port.name = "Gain \"dB\"";
    port.defaultValue = 0.25f;
    port.minimum = -1.5e-7f;
    port.maximum = 3e12f;
    port.scalePoints = {{0.25f, "quarter \"q\""}, {-2.0f, "minus two"}};
    plugin.ports.push_back(port);
    plugin.uiUri = "urn:test:ui";
    plugin.uiBinary = "ui.so";
    return plugin;
}

TEST(Lv2Turtle, AwkwardNamesAndNumbersRoundTrip)
{
    const Lv2TurtlePlugin plugin = awkwardPlugin();
    Parsed description;
    ASSERT_TRUE(parse(Steinberg::Vst::lv2PluginTurtle(plugin), description))
        << Steinberg::Vst::lv2PluginTurtle(plugin);
    EXPECT_TRUE(contains(description.literals, plugin.name));
    EXPECT_TRUE(contains(description.literals, "Gain \"dB\""));
    EXPECT_TRUE(contains(description.literals, "quarter \"q\""));

    std::vector<double> numbers;
    for (const auto& literal : description.literals)
    {
        char* end = nullptr;
        const double value = std::strtod(literal.c_str(), &end);
        if (end && *end == '\0' && !literal.empty())
            numbers.push_back(value);
    }
    for (const float expected : {0.25f, -1.5e-7f, 3e12f, -2.0f})
    {
        bool found = false;
        for (const double number : numbers)
            found = found || static_cast<float>(number) == expected;
        EXPECT_TRUE(found) << expected;
    }

    Parsed manifest;
    ASSERT_TRUE(parse(Steinberg::Vst::lv2ManifestTurtle(plugin), manifest));
}

TEST(Lv2Turtle, NumbersAreIntegersWhenTheyAreWhole)
{
    EXPECT_EQ(Steinberg::Vst::lv2TurtleNumber(1.0f), "1");
    EXPECT_EQ(Steinberg::Vst::lv2TurtleNumber(-2.0f), "-2");
    const std::string half = Steinberg::Vst::lv2TurtleNumber(0.5f);
    EXPECT_EQ(std::strtod(half.c_str(), nullptr), 0.5);
}

} // namespace
