// Kestrum.clap through a CLAP host of our own, checking what the public
// CLAP validator checks: entry and factory, descriptor, the life cycle in
// the orders CLAP allows, processing at every rate and block size in place
// and out of place, output equal to the VST 3 module's bit for bit,
// sample-accurate parameter events, parameter texts and state.
#include "host/clapplugin.h"
#include "host/vst3plugin.h"
#include "processor/filtercoefficients.h"

#include "clap/clapext.h"
#include "clap/ext/audio-ports.h"
#include "clap/ext/latency.h"
#include "clap/ext/params.h"
#include "clap/plugin-factory.h"
#include "clap/process.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

using KestrumHost::ClapEntry;
using KestrumHost::ClapPlugin;

namespace
{

constexpr std::uint32_t kBypass = 0;
constexpr std::uint32_t kMode = 1;

std::unique_ptr<ClapPlugin> openPlugin()
{
    std::string error;
    auto plugin = ClapPlugin::open(KESTRUM_CLAP_PATH, error);
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

// DC, rumble and noise, different per channel.
std::vector<std::vector<float>> signal(int frames, int rate)
{
    std::vector<std::vector<float>> channels(2, std::vector<float>(static_cast<size_t>(frames)));
    std::mt19937 noise(7);
    std::uniform_real_distribution<float> uniform(-0.1f, 0.1f);
    for (size_t c = 0; c < 2; ++c)
        for (int i = 0; i < frames; ++i)
            channels[c][static_cast<size_t>(i)] =
                0.2f - 0.3f * static_cast<float>(c) +
                0.3f * static_cast<float>(std::sin(6.283185307 * 7.0 * i / rate)) + uniform(noise);
    return channels;
}

// Runs the signal, one vector per channel, through `plugin` in blocks of
// `block` frames.
std::vector<std::vector<float>> run(KestrumHost::HostedPlugin& plugin,
                                    const std::vector<std::vector<float>>& in, int block,
                                    bool inPlace)
{
    std::vector<std::vector<float>> out = in;
    const int frames = static_cast<int>(in[0].size());
    for (int offset = 0; offset < frames; offset += block)
    {
        const int n = std::min(block, frames - offset);
        std::vector<std::vector<float>> blockIn, blockOut;
        std::vector<const float*> inputs;
        std::vector<float*> outputs;
        for (const auto& channel : in)
        {
            blockIn.emplace_back(channel.begin() + offset, channel.begin() + offset + n);
            blockOut.emplace_back(static_cast<size_t>(n));
        }
        for (size_t c = 0; c < in.size(); ++c)
        {
            inputs.push_back(blockIn[c].data());
            outputs.push_back(inPlace ? blockIn[c].data() : blockOut[c].data());
        }
        EXPECT_TRUE(plugin.process(inputs.data(), outputs.data(), n));
        for (size_t c = 0; c < in.size(); ++c)
            std::copy(outputs[c], outputs[c] + n, out[c].begin() + offset);
    }
    return out;
}

bool bitEqual(const std::vector<std::vector<float>>& a, const std::vector<std::vector<float>>& b)
{
    for (size_t c = 0; c < a.size(); ++c)
        if (a[c].size() != b[c].size() ||
            std::memcmp(a[c].data(), b[c].data(), a[c].size() * sizeof(float)) != 0)
            return false;
    return true;
}

} // namespace

TEST(ClapEntry, OffersOneDescribedPluginAndNothingElse)
{
    std::string error;
    auto entry = ClapEntry::open(KESTRUM_CLAP_PATH, error);
    ASSERT_TRUE(entry) << error;
    EXPECT_EQ(entry->factory("clap.no-such-factory"), nullptr);
    const auto* factory =
        static_cast<const clap_plugin_factory_t*>(entry->factory(CLAP_PLUGIN_FACTORY_ID));
    ASSERT_TRUE(factory);
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const clap_plugin_descriptor_t* d = factory->get_plugin_descriptor(factory, 0);
    ASSERT_TRUE(d);
    EXPECT_TRUE(clap_version_is_compatible(d->clap_version));
    EXPECT_STREQ(d->id, "example.tavrek.kestrum");
    EXPECT_STREQ(d->name, "Kestrum");
    EXPECT_STREQ(d->vendor, "Tavrek");
    EXPECT_STREQ(d->url, "https://www.tavrek.example");
    EXPECT_STREQ(d->version, "1.0.0.1");
    EXPECT_GT(std::strlen(d->description), 0u);
    std::vector<std::string> features;
    for (const char* const* f = d->features; f && *f; ++f)
        features.push_back(*f);
    EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "filter", "stereo", "mono"}));

    clap_host_t host{CLAP_VERSION, nullptr, "h", "", "", "1", nullptr, nullptr, nullptr, nullptr};
    host.get_extension = [](const clap_host_t*, const char*) -> const void* { return nullptr; };
    EXPECT_EQ(factory->create_plugin(factory, &host, "example.tavrek.other"), nullptr);
    EXPECT_EQ(factory->create_plugin(factory, nullptr, d->id), nullptr);
    host.clap_version = {0, 9, 0};
    EXPECT_EQ(factory->create_plugin(factory, &host, d->id), nullptr) << "a pre-1.0 host";
}

TEST(ClapPlugin, DeclaresPortsLatencyTailAndExtensions)
{
    auto plugin = openPlugin();
    ASSERT_TRUE(plugin);
    const auto* ports = plugin->extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
    ASSERT_TRUE(ports);
    for (bool isInput : {true, false})
    {
        ASSERT_EQ(ports->count(plugin->plugin(), isInput), 1u);
        clap_audio_port_info_t info{};
        ASSERT_TRUE(ports->get(plugin->plugin(), 0, isInput, &info));
        EXPECT_EQ(info.channel_count, 2u);
        EXPECT_STREQ(info.port_type, CLAP_PORT_STEREO);
        EXPECT_EQ(info.flags, static_cast<uint32_t>(CLAP_AUDIO_PORT_IS_MAIN)) << "32-bit only";
        EXPECT_EQ(info.in_place_pair, info.id);
        EXPECT_FALSE(ports->get(plugin->plugin(), 1, isInput, &info));
    }
    const auto* latency = plugin->extension<clap_plugin_latency_t>(CLAP_EXT_LATENCY);
    ASSERT_TRUE(latency);
    EXPECT_EQ(latency->get(plugin->plugin()), 0u);
    EXPECT_EQ(plugin->extension<void>("clap.no-such-extension"), nullptr);
    for (const char* id : {"clap.params", "clap.state", "clap.gui", "clap.timer-support",
                           "clap.posix-fd-support", "clap.tail"})
        EXPECT_NE(plugin->extension<void>(id), nullptr) << id;
}

// A host offers Kestrum on a mono track through the port layouts: each
// channel is filtered alone, so mono must give the stereo left channel.
TEST(ClapPlugin, MonoLayoutIsSelectedWhileInactiveAndFiltersAsTheLeftChannel)
{
    auto mono = openPlugin();
    auto stereo = openPlugin();
    ASSERT_TRUE(mono && stereo);
    const clap_plugin_t* p = mono->plugin();
    const auto* configs =
        mono->extension<clap_plugin_audio_ports_config_t>(CLAP_EXT_AUDIO_PORTS_CONFIG);
    const auto* ports = mono->extension<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
    ASSERT_TRUE(configs && ports);
    const auto portChannels = [&]
    {
        clap_audio_port_info_t in{}, out{};
        EXPECT_TRUE(ports->get(p, 0, true, &in) && ports->get(p, 0, false, &out));
        EXPECT_EQ(in.channel_count, out.channel_count);
        EXPECT_STREQ(out.port_type, out.channel_count == 1 ? CLAP_PORT_MONO : CLAP_PORT_STEREO);
        return out.channel_count;
    };

    ASSERT_EQ(configs->count(p), 2u);
    struct Offered
    {
        const char* name;
        uint32_t channels;
        const char* type;
    } offered[] = {{"Stereo", 2, CLAP_PORT_STEREO}, {"Mono", 1, CLAP_PORT_MONO}};
    clap_id monoId = CLAP_INVALID_ID;
    for (uint32_t i = 0; i < 2; ++i)
    {
        clap_audio_ports_config_t config{};
        ASSERT_TRUE(configs->get(p, i, &config));
        EXPECT_STREQ(config.name, offered[i].name);
        EXPECT_TRUE(config.has_main_input && config.has_main_output);
        EXPECT_EQ(config.main_input_channel_count, offered[i].channels);
        EXPECT_EQ(config.main_output_channel_count, offered[i].channels);
        EXPECT_STREQ(config.main_output_port_type, offered[i].type);
        if (offered[i].channels == 1)
            monoId = config.id;
    }
    clap_audio_ports_config_t beyond{};
    EXPECT_FALSE(configs->get(p, 2, &beyond));

    EXPECT_FALSE(configs->select(p, 4711)) << "an unknown layout";
    EXPECT_EQ(portChannels(), 2u) << "the default layout";
    ASSERT_TRUE(configs->select(p, monoId));
    EXPECT_EQ(portChannels(), 1u);

    ASSERT_TRUE(mono->start(48000, 256, 1) && stereo->start(48000, 256, 2));
    clap_audio_ports_config_t first{};
    ASSERT_TRUE(configs->get(p, 0, &first));
    EXPECT_FALSE(configs->select(p, first.id)) << "refused while active";
    const auto in = signal(3000, 48000);
    const auto both = run(*stereo, in, 256, false);
    EXPECT_TRUE(bitEqual(run(*mono, {in[0]}, 256, true), {both[0]}));
    mono->stop();
    EXPECT_TRUE(configs->select(p, first.id));
    EXPECT_EQ(portChannels(), 2u);
}

TEST(ClapPlugin, TailCoversTheSlowestModesDecayAtEveryRate)
{
    struct Tail
    {
        uint32_t (*get)(const clap_plugin_t*);
    };
    auto plugin = openPlugin();
    ASSERT_TRUE(plugin);
    const auto* tail = plugin->extension<Tail>("clap.tail");
    for (int rate : {44100, 192000})
    {
        ASSERT_TRUE(plugin->setParameter(kMode, 0));
        ASSERT_TRUE(plugin->start(rate, 4096, 2));
        const uint32_t samples = tail->get(plugin->plugin());
        EXPECT_GT(samples, 0u);
        // An impulse, then silence: after the tail it is below -120 dB.
        std::vector<std::vector<float>> in(2, std::vector<float>(samples + 4096, 0.f));
        in[0][0] = in[1][0] = 1.f;
        const auto out = run(*plugin, in, 4096, false);
        float late = 0.f;
        for (size_t i = samples; i < out[0].size(); ++i)
            late = std::max(late, std::fabs(out[0][i]));
        EXPECT_LT(late, 1e-6f) << rate << " Hz, tail " << samples;
        plugin->stop();
    }
}

TEST(ClapPlugin, LivesThroughEveryAllowedOrderOfCalls)
{
    using Step = std::function<bool(ClapPlugin&)>;
    const Step activate = [](ClapPlugin& p)
    { return p.plugin()->activate(p.plugin(), 48000, 1, 512); };
    const Step deactivate = [](ClapPlugin& p)
    {
        p.plugin()->deactivate(p.plugin());
        return true;
    };
    const Step start = [](ClapPlugin& p) { return p.plugin()->start_processing(p.plugin()); };
    const Step stop = [](ClapPlugin& p)
    {
        p.plugin()->stop_processing(p.plugin());
        return true;
    };
    const Step process = [](ClapPlugin& p)
    {
        std::vector<float> a(512, 0.25f), b(512, -0.25f);
        float* buffers[] = {a.data(), b.data()};
        return p.processWithEvents(buffers, buffers, 512, {}) != CLAP_PROCESS_ERROR &&
               std::isfinite(a[511]);
    };
    const Step reset = [](ClapPlugin& p)
    {
        p.plugin()->reset(p.plugin());
        return true;
    };
    const Step refusedProcess = [](ClapPlugin& p)
    {
        std::vector<float> a(512), b(512);
        float* buffers[] = {a.data(), b.data()};
        return p.processWithEvents(buffers, buffers, 512, {}) == CLAP_PROCESS_ERROR;
    };
    const Step activateTwice = [&](ClapPlugin& p) { return !activate(p); };
    struct Order
    {
        const char* name;
        std::vector<Step> steps;
    };
    const Order orders[] = {
        {"destroy right after init", {}},
        {"activate and destroy while active", {activate}},
        {"a whole session", {activate, start, process, process, stop, deactivate}},
        {"processing left running at destroy", {activate, start, process}},
        {"process while inactive is refused",
         {refusedProcess, activate, deactivate, refusedProcess}},
        {"a second activate is refused", {activate, activateTwice, deactivate}},
        {"reset between sessions", {activate, start, process, stop, reset, start, process}},
        {"reactivated",
         {activate, process, deactivate, activate, start, process, stop, deactivate}},
    };
    for (const Order& order : orders)
    {
        auto plugin = openPlugin();
        ASSERT_TRUE(plugin);
        for (size_t i = 0; i < order.steps.size(); ++i)
            EXPECT_TRUE(order.steps[i](*plugin)) << order.name << ", step " << i;
    }
}

TEST(ClapPlugin, ProcessesInPlaceAsOutOfPlaceAtEveryRateAndBlockSize)
{
    auto outOfPlace = openPlugin();
    auto inPlace = openPlugin();
    ASSERT_TRUE(outOfPlace && inPlace);
    for (int rate : {1000, 8000, 44100, 96000, 384000, 768000})
    {
        for (int block : {1, 7, 64, 1000, 16384})
        {
            const auto in = signal(std::min(20000, block * 3 + 5), rate);
            ASSERT_TRUE(outOfPlace->start(rate, block, 2) && inPlace->start(rate, block, 2));
            const auto a = run(*outOfPlace, in, block, false);
            const auto b = run(*inPlace, in, block, true);
            EXPECT_TRUE(bitEqual(a, b)) << rate << " Hz, blocks of " << block;
            EXPECT_TRUE(std::isfinite(a[0].back()) && std::isfinite(a[1].back()));
            EXPECT_NE(a[0], in[0]) << "filtered";
        }
    }
}

// A host resets on a jump in the timeline: what follows must not carry the
// DC and rumble heard before it, and must sound as a fresh activation does.
TEST(ClapPlugin, ResetForgetsTheAudioHeardBefore)
{
    auto plugin = openPlugin();
    auto fresh = openPlugin();
    ASSERT_TRUE(plugin && fresh);
    const auto before = signal(4800, 48000);
    auto after = signal(2000, 48000);
    for (auto& channel : after)
        for (float& x : channel)
            x = -x;
    ASSERT_TRUE(plugin->start(48000, 512, 2) && fresh->start(48000, 512, 2));
    run(*plugin, before, 512, false);
    const auto carried = run(*plugin, after, 512, false);
    plugin->plugin()->reset(plugin->plugin());
    const auto afterReset = run(*plugin, after, 512, false);
    const auto expected = run(*fresh, after, 512, false);
    EXPECT_FALSE(bitEqual(carried, expected)) << "the history made a difference before reset";
    EXPECT_TRUE(bitEqual(afterReset, expected));
}

TEST(ClapPlugin, OutputEqualsTheVst3ModuleAtEveryTabledRateAndMode)
{
    std::string error;
    auto vst3 = KestrumHost::Vst3Plugin::open(KESTRUM_VST3_BUNDLE_PATH, error);
    ASSERT_TRUE(vst3) << error;
    auto clap = openPlugin();
    ASSERT_TRUE(clap);
    for (int rate : Kestrum::kTabledRates)
    {
        for (int mode = 0; mode < 3; ++mode)
        {
            const auto in = signal(5000, rate);
            vst3->stop();
            ASSERT_TRUE(vst3->setParameter(kMode, mode / 2.0) && vst3->start(rate, 1024, 2));
            ASSERT_TRUE(clap->setParameter(kMode, mode) && clap->start(rate, 1024, 2));
            EXPECT_TRUE(bitEqual(run(*vst3, in, 333, false), run(*clap, in, 333, false)))
                << rate << " Hz, mode " << mode;
        }
    }
}

TEST(ClapPlugin, ParameterEventsTakeEffectAtTheirExactSample)
{
    std::string error;
    auto vst3 = KestrumHost::Vst3Plugin::open(KESTRUM_VST3_BUNDLE_PATH, error);
    ASSERT_TRUE(vst3) << error;
    struct Case
    {
        std::uint32_t id;
        double clapValue;
        double vst3Value;
    };
    for (const Case& c : {Case{kMode, 2, 1.0}, Case{kBypass, 1, 1.0}, Case{kMode, 0, 0.0}})
    {
        auto clap = openPlugin();
        ASSERT_TRUE(clap);
        const auto in = signal(512, 48000);
        ASSERT_TRUE(clap->start(48000, 512, 2));
        std::vector<float> a = in[0], b = in[1];
        float* buffers[] = {a.data(), b.data()};
        clap->processWithEvents(buffers, buffers, 512, {{100, c.id, c.clapValue}});

        // The VST 3 module with the block cut at sample 100 by hand.
        vst3->stop();
        ASSERT_TRUE(vst3->setParameter(kMode, 0.5) && vst3->setParameter(kBypass, 0.0) &&
                    vst3->start(48000, 512, 2));
        std::vector<float> x = in[0], y = in[1];
        float* head[] = {x.data(), y.data()};
        float* tail[] = {x.data() + 100, y.data() + 100};
        vst3->process(head, head, 100);
        vst3->setParameter(c.id, c.vst3Value);
        vst3->process(tail, tail, 412);
        EXPECT_EQ(std::memcmp(a.data(), x.data(), 512 * sizeof(float)), 0) << c.id;
        EXPECT_EQ(std::memcmp(b.data(), y.data(), 512 * sizeof(float)), 0) << c.id;

        // And not at any other sample: without the event the first 100 are
        // the same and sample 100 on differ.
        auto plain = openPlugin();
        ASSERT_TRUE(plain->start(48000, 512, 2));
        std::vector<float> p = in[0], q = in[1];
        float* unchanged[] = {p.data(), q.data()};
        plain->processWithEvents(unchanged, unchanged, 512, {});
        EXPECT_EQ(std::memcmp(a.data(), p.data(), 100 * sizeof(float)), 0);
        EXPECT_NE(a[100], p[100]) << c.id;
        EXPECT_EQ(clap->getParameter(c.id), c.clapValue);
    }
}

TEST(ClapPlugin, ParametersHaveTheirRangesFlagsDefaultsAndTexts)
{
    auto plugin = openPlugin();
    ASSERT_TRUE(plugin);
    const auto* params = plugin->extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    ASSERT_TRUE(params);
    ASSERT_EQ(params->count(plugin->plugin()), 2u);
    clap_param_info_t bypass{}, mode{};
    ASSERT_TRUE(params->get_info(plugin->plugin(), 0, &bypass));
    ASSERT_TRUE(params->get_info(plugin->plugin(), 1, &mode));
    EXPECT_FALSE(params->get_info(plugin->plugin(), 2, &mode));
    EXPECT_EQ(bypass.id, kBypass);
    EXPECT_STREQ(bypass.name, "Bypass");
    EXPECT_TRUE(bypass.flags & CLAP_PARAM_IS_BYPASS);
    EXPECT_TRUE(bypass.flags & CLAP_PARAM_IS_STEPPED);
    EXPECT_EQ(bypass.max_value, 1.0);
    EXPECT_EQ(bypass.default_value, 0.0);
    EXPECT_EQ(mode.id, kMode);
    EXPECT_STREQ(mode.name, "Mode");
    EXPECT_FALSE(mode.flags & CLAP_PARAM_IS_BYPASS);
    EXPECT_TRUE(mode.flags & CLAP_PARAM_IS_STEPPED);
    EXPECT_TRUE(mode.flags & CLAP_PARAM_IS_AUTOMATABLE);
    EXPECT_EQ(mode.min_value, 0.0);
    EXPECT_EQ(mode.max_value, 2.0);
    EXPECT_EQ(mode.default_value, 1.0);
    EXPECT_EQ(plugin->getParameter(kMode), 1.0) << "starts at its default";

    struct Text
    {
        std::uint32_t id;
        double value;
        const char* text;
    };
    for (const Text& t :
         {Text{kBypass, 0, "Off"}, Text{kBypass, 1, "On"}, Text{kMode, 0, "super low"},
          Text{kMode, 1, "bass drop"}, Text{kMode, 2, "guitar"}})
    {
        char shown[64] = {};
        ASSERT_TRUE(params->value_to_text(plugin->plugin(), t.id, t.value, shown, sizeof(shown)));
        EXPECT_STREQ(shown, t.text);
        double back = -1;
        ASSERT_TRUE(params->text_to_value(plugin->plugin(), t.id, shown, &back)) << shown;
        EXPECT_EQ(back, t.value) << shown;
    }
    char small[4];
    ASSERT_TRUE(params->value_to_text(plugin->plugin(), kMode, 0, small, sizeof(small)));
    EXPECT_STREQ(small, "sup") << "cut to the host's buffer";
    double value = 0;
    char text[64];
    EXPECT_FALSE(params->value_to_text(plugin->plugin(), 9, 0, text, sizeof(text)));
    EXPECT_FALSE(params->value_to_text(plugin->plugin(), kMode, NAN, text, sizeof(text)));
    EXPECT_FALSE(params->text_to_value(plugin->plugin(), 9, "On", &value));
    EXPECT_FALSE(params->text_to_value(plugin->plugin(), kMode, "loud", &value));
    EXPECT_FALSE(params->get_value(plugin->plugin(), 9, &value));
}

TEST(ClapPlugin, FlushAppliesValuesWithoutAudio)
{
    auto plugin = openPlugin();
    ASSERT_TRUE(plugin);
    plugin->flush({{0, kMode, 2}, {0, kBypass, 1}, {0, 77, 1}});
    EXPECT_EQ(plugin->getParameter(kMode), 2.0);
    EXPECT_EQ(plugin->getParameterText(kMode), "guitar");
    EXPECT_EQ(plugin->getParameterText(kBypass), "On");
    // The processor has them too: bypassed output is the input.
    ASSERT_TRUE(plugin->start(44100, 256, 2));
    const auto in = signal(256, 44100);
    EXPECT_TRUE(bitEqual(run(*plugin, in, 256, false), in));
    // Values from process events reach the controller on the main thread.
    std::vector<float> a(16), b(16);
    float* buffers[] = {a.data(), b.data()};
    plugin->processWithEvents(buffers, buffers, 16, {{3, kMode, 0}});
    EXPECT_GT(plugin->requests().callback, 0);
    plugin->serviceMainThread();
    EXPECT_EQ(plugin->getParameterText(kMode), "super low");
}

TEST(ClapPlugin, StateIsOneStreamThatRoundTripsAndRefusesDamage)
{
    auto plugin = openPlugin();
    ASSERT_TRUE(plugin);
    std::vector<std::uint8_t> fresh, again;
    ASSERT_TRUE(plugin->saveState(fresh));
    ASSERT_TRUE(plugin->saveState(again));
    EXPECT_EQ(fresh, again) << "the same bytes for the same settings";

    plugin->flush({{0, kMode, 2}, {0, kBypass, 1}});
    std::vector<std::uint8_t> saved;
    ASSERT_TRUE(plugin->saveState(saved));
    EXPECT_NE(saved, fresh);

    auto other = openPlugin();
    ASSERT_TRUE(other);
    ASSERT_TRUE(other->restoreState(saved));
    std::vector<std::uint8_t> restored;
    ASSERT_TRUE(other->saveState(restored));
    EXPECT_EQ(restored, saved);
    EXPECT_EQ(other->getParameter(kMode), 2.0);
    EXPECT_EQ(other->getParameter(kBypass), 1.0);

    std::mt19937 random(3);
    std::vector<std::uint8_t> noise(saved.size());
    for (auto& byte : noise)
        byte = static_cast<std::uint8_t>(random());
    std::vector<std::uint8_t> flippedMagic = saved;
    flippedMagic[0] ^= 0x40;
    std::vector<std::uint8_t> longer = saved;
    longer.push_back(0);
    struct Bad
    {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    const Bad bad[] = {
        {"empty", {}},
        {"random bytes", noise},
        {"wrong magic", flippedMagic},
        {"truncated by one byte", {saved.begin(), saved.end() - 1}},
        {"truncated to the header", {saved.begin(), saved.begin() + 16}},
        {"a byte too many", longer},
    };
    for (const Bad& b : bad)
    {
        EXPECT_FALSE(plugin->restoreState(b.bytes)) << b.name;
        std::vector<std::uint8_t> after;
        ASSERT_TRUE(plugin->saveState(after));
        EXPECT_EQ(after, saved) << b.name << " changed nothing";
    }
}
