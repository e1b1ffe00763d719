// The built LV2 bundle loaded through liblilv as LV2 hosts load it: its
// generated description checked against what the VST 3 build shows, and its
// audio compared bit for bit with the VST 3 module's at every tabled rate,
// in every mode, bypassed and not.
#include "host/vst3plugin.h"
#include "module/kestrumparamids.h"
#include "processor/filtercoefficients.h"
#include "support/allocationcounter.h"
#include "support/lilvworld.h"

#include <lv2/core/lv2.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#if defined(KESTRUM_LV2_BUNDLE_PATH) && defined(KESTRUM_VST3_BUNDLE_PATH)

using KestrumHost::Vst3Plugin;
using KestrumTest::LilvInstancePtr;
using KestrumTest::LilvTestWorld;

namespace
{

constexpr int kFrames = 3000;
// Blocks of different sizes on the two sides: the filter must not care.
constexpr int kLv2Block = 700;
constexpr int kVst3Block = 256;

using Channels = std::vector<std::vector<float>>;

// DC, rumble, a tone and some noise, different per channel.
Channels testSignal(double rate)
{
    Channels signal(2, std::vector<float>(kFrames));
    std::uint32_t noise = 12345;
    for (int i = 0; i < kFrames; ++i)
    {
        noise = noise * 1664525u + 1013904223u;
        const double t = i / rate;
        const double n = (noise >> 8) / 16777216.0 - 0.5;
        signal[0][i] = static_cast<float>(0.3 + 0.1 * std::sin(2 * M_PI * 7 * t) +
                                          0.2 * std::sin(2 * M_PI * 440 * t) + 0.01 * n);
        signal[1][i] = static_cast<float>(-0.2 + 0.3 * std::sin(2 * M_PI * 3 * t) + 0.05 * n);
    }
    return signal;
}

// One control setting from a frame on.
struct Setting
{
    int frame;
    float enabled;
    float mode;
};

class Lv2PluginTest : public ::testing::Test
{
protected:
    LilvTestWorld lilv{KESTRUM_LV2_BUNDLE_PATH};

    LilvInstancePtr instantiate(double rate)
    {
        return LilvInstancePtr(lilv_plugin_instantiate(lilv.plugin(), rate, nullptr));
    }

    // Runs the signal through an LV2 instance with the settings applied at
    // their frames (block boundaries), separate or in-place buffers.
    Channels runLv2(double rate, const Channels& input, const std::vector<Setting>& settings,
                    bool inPlace = false)
    {
        LilvInstancePtr instance = instantiate(rate);
        EXPECT_TRUE(instance);
        if (!instance)
            return {};
        Channels in = input;
        Channels out = inPlace ? Channels{} : Channels(2, std::vector<float>(kFrames));
        float enabled = 1.0f;
        float mode = 1.0f;
        const char* inSymbols[] = {"in_l", "in_r"};
        const char* outSymbols[] = {"out_l", "out_r"};
        lilv_instance_connect_port(instance.get(), lilv.portIndex("enabled"), &enabled);
        lilv_instance_connect_port(instance.get(), lilv.portIndex("mode"), &mode);
        lilv_instance_activate(instance.get());
        size_t next = 0;
        for (int offset = 0; offset < kFrames;)
        {
            int frames = std::min(kLv2Block, kFrames - offset);
            if (next < settings.size() && settings[next].frame <= offset)
            {
                enabled = settings[next].enabled;
                mode = settings[next].mode;
                ++next;
            }
            if (next < settings.size())
                frames = std::min(frames, settings[next].frame - offset);
            for (int c = 0; c < 2; ++c)
            {
                float* target = inPlace ? in[c].data() : out[c].data();
                lilv_instance_connect_port(instance.get(), lilv.portIndex(inSymbols[c]),
                                           in[c].data() + offset);
                lilv_instance_connect_port(instance.get(), lilv.portIndex(outSymbols[c]),
                                           target + offset);
            }
            lilv_instance_run(instance.get(), static_cast<uint32_t>(frames));
            offset += frames;
        }
        lilv_instance_deactivate(instance.get());
        return inPlace ? in : out;
    }

    // The same through the VST 3 module and the host library.
    static Channels runVst3(double rate, const Channels& input,
                            const std::vector<Setting>& settings)
    {
        std::string error;
        auto plugin = Vst3Plugin::open(KESTRUM_VST3_BUNDLE_PATH, error);
        EXPECT_TRUE(plugin) << error;
        if (!plugin)
            return {};
        EXPECT_TRUE(plugin->start(rate, kVst3Block, 2));
        Channels out(2, std::vector<float>(kFrames));
        size_t next = 0;
        for (int offset = 0; offset < kFrames;)
        {
            int frames = std::min(kVst3Block, kFrames - offset);
            if (next < settings.size() && settings[next].frame <= offset)
            {
                plugin->setParameter(Kestrum::kBypassId, settings[next].enabled > 0 ? 0.0 : 1.0);
                plugin->setParameter(Kestrum::kModeId, settings[next].mode / 2.0);
                ++next;
            }
            if (next < settings.size())
                frames = std::min(frames, settings[next].frame - offset);
            const float* ins[] = {input[0].data() + offset, input[1].data() + offset};
            float* outs[] = {out[0].data() + offset, out[1].data() + offset};
            EXPECT_TRUE(plugin->process(ins, outs, frames));
            offset += frames;
        }
        plugin->stop();
        return out;
    }
};

bool bitEqual(const Channels& a, const Channels& b)
{
    if (a.empty() || a.size() != b.size())
        return false;
    for (size_t c = 0; c < a.size(); ++c)
        if (a[c].size() != b[c].size() ||
            std::memcmp(a[c].data(), b[c].data(), a[c].size() * sizeof(float)) != 0)
            return false;
    return true;
}

std::string scalePointLabel(const LilvPlugin* plugin, const LilvPort* port, float value)
{
    std::string label;
    LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
    LILV_FOREACH(scale_points, i, points)
    {
        const LilvScalePoint* point = lilv_scale_points_get(points, i);
        if (lilv_node_as_float(lilv_scale_point_get_value(point)) == value)
            label = lilv_node_as_string(lilv_scale_point_get_label(point));
    }
    lilv_scale_points_free(points);
    return label;
}

struct Range
{
    float defaultValue, minimum, maximum;
};

Range portRange(const LilvPlugin* plugin, const LilvPort* port)
{
    LilvNode* def = nullptr;
    LilvNode* min = nullptr;
    LilvNode* max = nullptr;
    lilv_port_get_range(plugin, port, &def, &min, &max);
    const auto value = [](LilvNode* node)
    {
        const float v = node ? lilv_node_as_float(node) : std::numeric_limits<float>::quiet_NaN();
        lilv_node_free(node);
        return v;
    };
    Range range{value(def), value(min), value(max)};
    return range;
}

TEST_F(Lv2PluginTest, DescriptionVerifiesAndMatchesTheVst3Parameters)
{
    const LilvPlugin* plugin = lilv.plugin();
    ASSERT_NE(plugin, nullptr);
    EXPECT_TRUE(lilv_plugin_verify(plugin));
    EXPECT_EQ(lilv_plugin_get_num_ports(plugin), 6u);
    EXPECT_FALSE(lilv_plugin_has_latency(plugin));
    LilvNode* author = lilv_plugin_get_author_name(plugin);
    EXPECT_STREQ(author ? lilv_node_as_string(author) : "", "Tavrek");
    lilv_node_free(author);
    EXPECT_TRUE(lilv_plugin_has_feature(plugin, lilv.uri(LV2_CORE__hardRTCapable)));
    LilvNodes* required = lilv_plugin_get_required_features(plugin);
    EXPECT_EQ(lilv_nodes_size(required), 0u);
    lilv_nodes_free(required);
    const LilvNode* inPlaceBroken = lilv.uri(LV2_CORE__inPlaceBroken);
    EXPECT_FALSE(lilv_plugin_has_feature(plugin, inPlaceBroken));

    const LilvPort* enabled = lilv.port("enabled");
    ASSERT_NE(enabled, nullptr);
    EXPECT_EQ(lilv_plugin_get_port_by_designation(plugin, lilv.uri(LV2_CORE__InputPort),
                                                  lilv.uri(LV2_CORE__enabled)),
              enabled);
    EXPECT_TRUE(lilv_port_has_property(plugin, enabled, lilv.uri(LV2_CORE__toggled)));
    const Range enabledRange = portRange(plugin, enabled);
    EXPECT_EQ(enabledRange.defaultValue, 1.0f);
    EXPECT_EQ(enabledRange.minimum, 0.0f);
    EXPECT_EQ(enabledRange.maximum, 1.0f);

    const LilvPort* mode = lilv.port("mode");
    ASSERT_NE(mode, nullptr);
    EXPECT_TRUE(lilv_port_has_property(plugin, mode, lilv.uri(LV2_CORE__integer)));
    EXPECT_TRUE(lilv_port_has_property(plugin, mode, lilv.uri(LV2_CORE__enumeration)));
    const Range modeRange = portRange(plugin, mode);
    EXPECT_EQ(modeRange.defaultValue, 1.0f);
    EXPECT_EQ(modeRange.minimum, 0.0f);
    EXPECT_EQ(modeRange.maximum, 2.0f);

    // The labels are what the VST 3 build shows for the same mode.
    std::string error;
    auto vst3 = Vst3Plugin::open(KESTRUM_VST3_BUNDLE_PATH, error);
    ASSERT_TRUE(vst3) << error;
    for (int number = 0; number < 3; ++number)
    {
        ASSERT_TRUE(vst3->setParameter(Kestrum::kModeId, number / 2.0));
        EXPECT_EQ(scalePointLabel(plugin, mode, static_cast<float>(number)),
                  vst3->getParameterText(Kestrum::kModeId))
            << "mode " << number;
    }
    EXPECT_EQ(scalePointLabel(plugin, mode, 1.0f), "bass drop");
}

TEST_F(Lv2PluginTest, OutputEqualsTheVst3ModuleAtEveryTabledRateAndMode)
{
    ASSERT_NE(lilv.plugin(), nullptr);
    for (const std::int32_t rate : Kestrum::kTabledRates)
    {
        const Channels input = testSignal(rate);
        for (int mode = 0; mode < 3; ++mode)
        {
            const std::vector<Setting> settings = {{0, 1.0f, static_cast<float>(mode)}};
            const Channels lv2 = runLv2(rate, input, settings);
            EXPECT_TRUE(bitEqual(lv2, runVst3(rate, input, settings)))
                << rate << " Hz, mode " << mode;
            EXPECT_FALSE(bitEqual(lv2, input));
        }
    }
}

TEST_F(Lv2PluginTest, UntabledRatesAndInPlaceBuffersMatchToo)
{
    ASSERT_NE(lilv.plugin(), nullptr);
    for (const double rate : {8000.0, 64000.0, 50000.0})
    {
        const Channels input = testSignal(rate);
        const std::vector<Setting> settings = {{0, 1.0f, 2.0f}};
        const Channels vst3 = runVst3(rate, input, settings);
        EXPECT_TRUE(bitEqual(runLv2(rate, input, settings), vst3)) << rate;
        EXPECT_TRUE(bitEqual(runLv2(rate, input, settings, true), vst3)) << rate << " in place";
    }
}

TEST_F(Lv2PluginTest, DisabledPassesTheInputExactlyAndTheFilterKeepsListening)
{
    ASSERT_NE(lilv.plugin(), nullptr);
    const Channels input = testSignal(48000.0);
    // Bypassed throughout: the input, bit for bit, separate and in place.
    EXPECT_TRUE(bitEqual(runLv2(48000.0, input, {{0, 0.0f, 0.0f}}), input));
    EXPECT_TRUE(bitEqual(runLv2(48000.0, input, {{0, 0.0f, 2.0f}}, true), input));

    // In and out of bypass and across modes as the VST 3 module does it,
    // including a value the toggle reads as on and a mode beyond the range.
    const std::vector<Setting> settings = {
        {0, 0.0f, 1.0f}, {1000, 1.0f, 1.0f}, {1500, 0.0f, 0.0f}, {2100, 0.5f, 7.0f}};
    const Channels lv2 = runLv2(48000.0, input, settings);
    const std::vector<Setting> vst3Settings = {
        {0, 0.0f, 1.0f}, {1000, 1.0f, 1.0f}, {1500, 0.0f, 0.0f}, {2100, 1.0f, 2.0f}};
    EXPECT_TRUE(bitEqual(lv2, runVst3(48000.0, input, vst3Settings)));
    for (int c = 0; c < 2; ++c)
        EXPECT_EQ(std::memcmp(lv2[c].data() + 1500, input[c].data() + 1500, 600 * sizeof(float)),
                  0);
}

TEST_F(Lv2PluginTest, NanControlValuesChangeNothing)
{
    ASSERT_NE(lilv.plugin(), nullptr);
    const Channels input = testSignal(44100.0);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Channels lv2 = runLv2(44100.0, input, {{0, 1.0f, 2.0f}, {1400, nan, nan}});
    EXPECT_TRUE(bitEqual(lv2, runVst3(44100.0, input, {{0, 1.0f, 2.0f}})));
}

TEST_F(Lv2PluginTest, ControlsSetBeforeAnEmptyRunReachTheNextOne)
{
    ASSERT_NE(lilv.plugin(), nullptr);
    const Channels input = testSignal(48000.0);
    Channels in = input;
    Channels out(2, std::vector<float>(kFrames));
    LilvInstancePtr instance = instantiate(48000.0);
    ASSERT_TRUE(instance);
    float enabled = 1.0f;
    float mode = 1.0f;
    lilv_instance_connect_port(instance.get(), lilv.portIndex("enabled"), &enabled);
    lilv_instance_connect_port(instance.get(), lilv.portIndex("mode"), &mode);
    const char* symbols[] = {"in_l", "in_r", "out_l", "out_r"};
    float* buffers[] = {in[0].data(), in[1].data(), out[0].data(), out[1].data()};
    for (int p = 0; p < 4; ++p)
        lilv_instance_connect_port(instance.get(), lilv.portIndex(symbols[p]), buffers[p]);
    lilv_instance_activate(instance.get());
    mode = 2.0f;
    lilv_instance_run(instance.get(), 0);
    lilv_instance_run(instance.get(), kFrames);
    lilv_instance_deactivate(instance.get());
    EXPECT_TRUE(bitEqual(out, runVst3(48000.0, input, {{0, 1.0f, 2.0f}})));
}

TEST_F(Lv2PluginTest, RunAllocatesNothing)
{
    ASSERT_NE(lilv.plugin(), nullptr);
    LilvInstancePtr instance = instantiate(96000.0);
    ASSERT_TRUE(instance);
    std::vector<float> left(512, 0.25f), right(512, -0.25f);
    float enabled = 1.0f;
    float mode = 0.0f;
    const uint32_t ports[] = {lilv.portIndex("in_l"), lilv.portIndex("in_r"),
                              lilv.portIndex("out_l"), lilv.portIndex("out_r")};
    float* buffers[] = {left.data(), right.data(), left.data(), right.data()};
    for (int p = 0; p < 4; ++p)
        lilv_instance_connect_port(instance.get(), ports[p], buffers[p]);
    lilv_instance_connect_port(instance.get(), lilv.portIndex("enabled"), &enabled);
    lilv_instance_connect_port(instance.get(), lilv.portIndex("mode"), &mode);
    lilv_instance_activate(instance.get());
    KestrumTest::AllocationCounter counter;
    for (int block = 0; block < 8; ++block)
    {
        enabled = block % 3 == 0 ? 0.0f : 1.0f;
        mode = static_cast<float>(block % 3);
        lilv_instance_run(instance.get(), 512);
    }
    EXPECT_EQ(counter.count(), 0u);
    lilv_instance_deactivate(instance.get());
}

TEST_F(Lv2PluginTest, RefusesRatesItCannotRunAt)
{
    ASSERT_NE(lilv.plugin(), nullptr);
    EXPECT_FALSE(instantiate(0.0));
    EXPECT_FALSE(instantiate(-48000.0));
    EXPECT_FALSE(instantiate(std::numeric_limits<double>::infinity()));
}

} // namespace

#endif
