// The built module loaded as a VST 2 host loads it (dlopen, VSTPluginMain)
// and driven through the VST 2 interface only: identity, parameters,
// processing against the same module loaded as VST 3, suspend and resume,
// and the program chunk.
#include "adapter/statebundle.h"
#include "host/vst2plugin.h"
#include "host/vst3plugin.h"
#include "support/allocationcounter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#if defined(KESTRUM_VST2_MODULE_PATH) && defined(KESTRUM_VST3_BUNDLE_PATH)

using KestrumHost::Vst2Library;
using KestrumHost::Vst2Plugin;
using KestrumHost::Vst3Plugin;

namespace
{

constexpr uint32_t kBypass = 0;
constexpr uint32_t kMode = 1;
constexpr int kChannels = 2;

std::shared_ptr<Vst2Library> library()
{
    static std::shared_ptr<Vst2Library> loaded = []
    {
        std::string error;
        auto lib = Vst2Library::load(KESTRUM_VST2_MODULE_PATH, error);
        EXPECT_TRUE(lib) << error;
        return lib;
    }();
    return loaded;
}

std::unique_ptr<Vst2Plugin> makeVst2()
{
    std::string error;
    auto plugin = Vst2Plugin::create(library(), error);
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

std::unique_ptr<Vst3Plugin> makeVst3()
{
    std::string error;
    auto plugin = Vst3Plugin::open(KESTRUM_VST3_BUNDLE_PATH, error);
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

// Stereo audio with a DC offset, rumble and audible content, different per
// channel.
struct Signal
{
    std::vector<std::vector<float>> channels;

    Signal(int frames, double rate, int seed = 0)
        : channels(kChannels, std::vector<float>(static_cast<size_t>(frames)))
    {
        for (int c = 0; c < kChannels; ++c)
            for (int i = 0; i < frames; ++i)
            {
                const double t = (i + 17 * seed) / rate;
                channels[static_cast<size_t>(c)][static_cast<size_t>(i)] =
                    static_cast<float>(0.25 + 0.1 * c + 0.2 * std::sin(2 * M_PI * 3.0 * t) +
                                       0.3 * std::sin(2 * M_PI * (440.0 + 110 * c) * t));
            }
    }
    int frames() const { return static_cast<int>(channels[0].size()); }
};

using Audio = std::vector<std::vector<float>>;

// Runs the signal through a hosted plug-in in blocks of `block` frames.
Audio run(KestrumHost::HostedPlugin& plugin, const Signal& signal, int block)
{
    Audio out(kChannels, std::vector<float>(signal.channels[0].size()));
    for (int offset = 0; offset < signal.frames(); offset += block)
    {
        const int n = std::min(block, signal.frames() - offset);
        const float* in[kChannels];
        float* o[kChannels];
        for (int c = 0; c < kChannels; ++c)
        {
            in[c] = signal.channels[static_cast<size_t>(c)].data() + offset;
            o[c] = out[static_cast<size_t>(c)].data() + offset;
        }
        EXPECT_TRUE(plugin.process(in, o, n));
    }
    return out;
}

bool allZero(const Audio& audio)
{
    for (const auto& channel : audio)
        for (float x : channel)
            if (x != 0.f)
                return false;
    return true;
}

std::vector<uint8_t> chunkOf(Vst2Plugin& plugin)
{
    std::vector<uint8_t> chunk;
    EXPECT_TRUE(plugin.saveState(chunk));
    return chunk;
}

} // namespace

TEST(Vst2Module, EntryGivesNothingToAHostWithoutVst2)
{
    auto lib = library();
    ASSERT_TRUE(lib);
    std::vector<Vst2Plugin::HostCall> calls;
    EXPECT_EQ(Vst2Plugin::callMain(*lib, 0, calls), nullptr);
    // Only the version question was asked: nothing else was made or called.
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, Vst2::audioMasterVersion);
    EXPECT_EQ(lib->main()(nullptr), nullptr);

    std::string error;
    EXPECT_FALSE(Vst2Plugin::create(lib, error, 0));
    EXPECT_NE(error.find("no effect"), std::string::npos) << error;
}

TEST(Vst2Module, IdentifiesItselfToTheHost)
{
    auto plugin = makeVst2();
    ASSERT_TRUE(plugin);
    const AEffect& e = *plugin->effect();
    EXPECT_EQ(e.magic_number, Vst2::fourCharCode("VstP"));
    EXPECT_EQ(e.unique_id, 0x546B5632); // 'TkV2'
    EXPECT_EQ(e.num_inputs, 2);
    EXPECT_EQ(e.num_outputs, 2);
    EXPECT_EQ(e.num_params, 2);
    EXPECT_EQ(e.num_programs, 1);
    EXPECT_EQ(e.version, 1001);
    EXPECT_EQ(e.delay, 0);
    EXPECT_TRUE(e.flags & Vst2::effFlagsCanReplacing);
    EXPECT_TRUE(e.flags & Vst2::effFlagsProgramChunks);
    EXPECT_FALSE(e.flags & Vst2::effFlagsIsSynth);
    EXPECT_FALSE(e.flags & Vst2::effFlagsCanDoubleReplacing);
    EXPECT_TRUE(e.flags & Vst2::effFlagsHasEditor);
    EXPECT_EQ(e.process_double, nullptr);
    EXPECT_NE(e.process_float, nullptr);

    EXPECT_EQ(plugin->text(Vst2::effGetEffectName), "Tavrek Kestrum VST3");
    EXPECT_EQ(plugin->text(Vst2::effGetVendorString), "Tavrek");
    EXPECT_EQ(plugin->text(Vst2::effGetProductString), "Tavrek Kestrum VST3");
    EXPECT_EQ(plugin->name(), "Tavrek Kestrum VST3");
    EXPECT_EQ(plugin->dispatch(Vst2::effGetVendorVersion), 1001);
    EXPECT_EQ(plugin->dispatch(Vst2::effGetPlugCategory), Vst2::kPlugCategRestoration);
    EXPECT_EQ(plugin->dispatch(Vst2::effGetVstVersion), 2400);
    EXPECT_EQ(plugin->dispatch(Vst2::effGetTailSize), 1); // no tail
    EXPECT_EQ(plugin->dispatch(Vst2::effSetProcessPrecision, 0, Vst2::kVstProcessPrecision32), 1);
    EXPECT_EQ(plugin->dispatch(Vst2::effSetProcessPrecision, 0, Vst2::kVstProcessPrecision64), 0);
    EXPECT_EQ(plugin->text(Vst2::effGetProgramNameIndexed, 0), "Default");
}

TEST(Vst2Module, AnswersCanDo)
{
    auto plugin = makeVst2();
    ASSERT_TRUE(plugin);
    struct Case
    {
        const char* feature;
        intptr_t answer;
    };
    const Case cases[] = {
        {"receiveVstEvents", -1}, {"receiveVstMidiEvent", -1},
        {"sendVstEvents", -1},    {"plugAsChannelInsert", 1},
        {"plugAsSend", 1},        {"bypass", 1},
        {"2in2out", 1},           {"offline", -1},
        {"somethingNew", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plugin->dispatch(Vst2::effCanDo, 0, 0, const_cast<char*>(c.feature)), c.answer)
            << c.feature;
    EXPECT_EQ(plugin->dispatch(Vst2::effCanDo, 0, 0, nullptr), 0);
}

TEST(Vst2Module, ParameterTextsReachTheHostWholeWithinTheFrameworkLimits)
{
    auto plugin = makeVst2();
    auto reference = makeVst3();
    ASSERT_TRUE(plugin && reference);
    EXPECT_EQ(plugin->text(Vst2::effGetParamName, kBypass), "Bypass");
    EXPECT_EQ(plugin->text(Vst2::effGetParamName, kMode), "Mode");

    const double values[] = {0.0, 0.2, 1.0 / 3.0, 0.5, 2.0 / 3.0, 0.9, 1.0};
    for (uint32_t id : {kBypass, kMode})
    {
        for (double value : values)
        {
            ASSERT_TRUE(plugin->setParameter(id, value));
            ASSERT_TRUE(reference->setParameter(id, value));
            EXPECT_EQ(plugin->getParameterText(id), reference->getParameterText(id))
                << "id " << id << " value " << value;

            // Display 24 bytes, name 16, label 8, each with its terminator.
            const std::pair<int32_t, size_t> limits[] = {{Vst2::effGetParamName, 16},
                                                         {Vst2::effGetParamLabel, 8},
                                                         {Vst2::effGetParamDisplay, 24}};
            for (const auto& [opcode, limit] : limits)
            {
                char buffer[64];
                std::memset(buffer, 'Z', sizeof(buffer));
                plugin->dispatch(opcode, static_cast<int32_t>(id), 0, buffer);
                EXPECT_LT(strnlen(buffer, sizeof(buffer)), limit) << opcode;
                for (size_t i = limit; i < sizeof(buffer); ++i)
                    EXPECT_EQ(buffer[i], 'Z')
                        << "opcode " << opcode << " wrote past " << limit << " bytes";
            }
        }
    }
    ASSERT_TRUE(plugin->setParameter(kMode, 0.0));
    EXPECT_EQ(plugin->getParameterText(kMode), "super low");
    ASSERT_TRUE(plugin->setParameter(kMode, 0.5));
    EXPECT_EQ(plugin->getParameterText(kMode), "bass drop");
    ASSERT_TRUE(plugin->setParameter(kMode, 1.0));
    EXPECT_EQ(plugin->getParameterText(kMode), "guitar");
    EXPECT_EQ(plugin->text(Vst2::effGetParamLabel, kMode), "");
    // Indices beyond the parameters give nothing and write nothing.
    EXPECT_EQ(plugin->text(Vst2::effGetParamName, 2), "");
    EXPECT_EQ(plugin->text(Vst2::effGetParamName, -1), "");
    EXPECT_EQ(plugin->dispatch(Vst2::effCanBeAutomated, kMode), 1);
    EXPECT_EQ(plugin->dispatch(Vst2::effCanBeAutomated, 5), 0);
}

TEST(Vst2Module, ParameterValuesFromTheHost)
{
    auto plugin = makeVst2();
    ASSERT_TRUE(plugin);
    AEffect* e = plugin->effect();
    EXPECT_FLOAT_EQ(e->get_parameter(e, kBypass), 0.f);
    EXPECT_FLOAT_EQ(e->get_parameter(e, kMode), 0.5f); // a fresh instance is "bass drop"

    e->set_parameter(e, kMode, 0.9f);
    EXPECT_FLOAT_EQ(e->get_parameter(e, kMode), 0.9f);
    e->set_parameter(e, kMode, std::nanf(""));
    EXPECT_FLOAT_EQ(e->get_parameter(e, kMode), 0.9f);
    e->set_parameter(e, kMode, 7.f);
    EXPECT_FLOAT_EQ(e->get_parameter(e, kMode), 1.f);
    e->set_parameter(e, kMode, -1.f);
    EXPECT_FLOAT_EQ(e->get_parameter(e, kMode), 0.f);
    e->set_parameter(e, 99, 0.5f); // ignored
    EXPECT_FLOAT_EQ(e->get_parameter(e, 99), 0.f);

    // Text to value, through the controller's own parsing ("3" is the top).
    EXPECT_EQ(plugin->dispatch(Vst2::effString2Parameter, kMode, 0, const_cast<char*>("3")), 1);
    EXPECT_FLOAT_EQ(e->get_parameter(e, kMode), 1.f);
    EXPECT_EQ(plugin->dispatch(Vst2::effString2Parameter, kMode, 0, const_cast<char*>("x")), 0);
    EXPECT_FLOAT_EQ(e->get_parameter(e, kMode), 1.f);

    // The host's own changes are not reported back to it as automation.
    for (const auto& call : plugin->hostCalls())
        EXPECT_NE(call.opcode, Vst2::audioMasterAutomate);
}

TEST(Vst2Module, OutputEqualsTheVst3Output)
{
    for (double rate : {44100.0, 96000.0})
    {
        for (double mode : {0.0, 0.5, 1.0})
        {
            auto vst2 = makeVst2();
            auto vst3 = makeVst3();
            ASSERT_TRUE(vst2 && vst3);
            ASSERT_TRUE(vst2->start(rate, 256, kChannels));
            ASSERT_TRUE(vst3->start(rate, 256, kChannels));
            ASSERT_TRUE(vst2->setParameter(kMode, mode));
            ASSERT_TRUE(vst3->setParameter(kMode, mode));

            const Signal signal(4000, rate);
            const Audio out2 = run(*vst2, signal, 256);
            const Audio out3 = run(*vst3, signal, 256);
            EXPECT_EQ(out2, out3) << "rate " << rate << " mode " << mode;
            EXPECT_NE(out2, signal.channels); // it did filter
        }
    }
}

TEST(Vst2Module, LongHostBlocksAreSplitForTheProcessor)
{
    auto vst2 = makeVst2();
    auto vst3 = makeVst3();
    ASSERT_TRUE(vst2 && vst3);
    ASSERT_TRUE(vst2->start(48000, 64, kChannels));
    ASSERT_TRUE(vst3->start(48000, 64, kChannels));
    const Signal signal(1000, 48000);
    // A host that sends more than it announced: one call of 1000 frames.
    Audio out2(kChannels, std::vector<float>(1000));
    const float* in[] = {signal.channels[0].data(), signal.channels[1].data()};
    float* o[] = {out2[0].data(), out2[1].data()};
    AEffect* e = vst2->effect();
    e->process_float(e, in, o, 1000);
    EXPECT_EQ(out2, run(*vst3, signal, 64));
}

TEST(Vst2Module, HostParameterReachesTheNextBlock)
{
    auto plugin = makeVst2();
    ASSERT_TRUE(plugin);
    ASSERT_TRUE(plugin->start(48000, 512, kChannels));
    const Signal signal(512, 48000);
    EXPECT_NE(run(*plugin, signal, 512), signal.channels);

    ASSERT_TRUE(plugin->setParameter(kBypass, 1.0));
    EXPECT_EQ(run(*plugin, signal, 512), signal.channels);
    EXPECT_EQ(plugin->getParameterText(kBypass), "On");

    ASSERT_TRUE(plugin->setParameter(kBypass, 0.0));
    EXPECT_NE(run(*plugin, signal, 512), signal.channels);

    // The host's bypass switch is the plug-in's own Bypass.
    EXPECT_EQ(plugin->dispatch(Vst2::effSetBypass, 0, 1), 1);
    EXPECT_DOUBLE_EQ(plugin->getParameter(kBypass), 1.0);
    EXPECT_EQ(run(*plugin, signal, 512), signal.channels);
    EXPECT_EQ(plugin->dispatch(Vst2::effSetBypass, 0, 0), 1);
    EXPECT_NE(run(*plugin, signal, 512), signal.channels);
}

TEST(Vst2Module, AudioThreadAllocatesNothing)
{
    auto plugin = makeVst2();
    ASSERT_TRUE(plugin);
    ASSERT_TRUE(plugin->start(48000, 128, kChannels));
    const Signal signal(1000, 48000);
    const float* in[] = {signal.channels[0].data(), signal.channels[1].data()};
    Audio out(kChannels, std::vector<float>(1000));
    float* o[] = {out[0].data(), out[1].data()};
    AEffect* e = plugin->effect();

    size_t processing = 0;
    size_t saving = 0;
    {
        KestrumTest::AllocationCounter counter;
        // Parameter changes, a long block split in pieces, the deprecated
        // accumulating call.
        e->set_parameter(e, kMode, 1.f);
        e->set_parameter(e, kBypass, 1.f);
        e->process_float(e, in, o, 1000);
        e->set_parameter(e, kBypass, 0.f);
        e->process_float(e, in, o, 100);
        e->process(e, in, o, 300);
        processing = counter.count();
    }
    {
        // The counter does see the module's allocations.
        KestrumTest::AllocationCounter counter;
        void* data = nullptr;
        plugin->dispatch(Vst2::effGetChunk, 0, 0, &data);
        saving = counter.count();
    }
    EXPECT_EQ(processing, 0u);
    EXPECT_GT(saving, 0u);
}

TEST(Vst2Module, AccumulatingProcessAddsToTheOutput)
{
    auto plugin = makeVst2();
    ASSERT_TRUE(plugin);
    ASSERT_TRUE(plugin->start(48000, 128, kChannels));
    ASSERT_TRUE(plugin->setParameter(kBypass, 1.0));
    const Signal signal(300, 48000);
    const float* in[] = {signal.channels[0].data(), signal.channels[1].data()};
    Audio out(kChannels, std::vector<float>(300, 0.5f));
    float* o[] = {out[0].data(), out[1].data()};
    AEffect* e = plugin->effect();
    e->process(e, in, o, 300); // bypassed: adds the input itself
    for (int c = 0; c < kChannels; ++c)
        for (size_t i = 0; i < 300; ++i)
            ASSERT_EQ(out[static_cast<size_t>(c)][i],
                      0.5f + signal.channels[static_cast<size_t>(c)][i]);
}

TEST(Vst2Module, SuspendedEffectIsSilentAndResumesClean)
{
    auto plugin = makeVst2();
    auto reference = makeVst3();
    ASSERT_TRUE(plugin && reference);
    AEffect* e = plugin->effect();
    const Signal signal(256, 44100);
    const float* in[] = {signal.channels[0].data(), signal.channels[1].data()};
    Audio out(kChannels, std::vector<float>(256, 1.f));
    float* o[] = {out[0].data(), out[1].data()};

    // Never resumed: silence, not the processor's output.
    e->process_float(e, in, o, 256);
    EXPECT_TRUE(allZero(out));

    plugin->dispatch(Vst2::effSetSampleRate, 0, 0, nullptr, 44100.f);
    plugin->dispatch(Vst2::effSetBlockSize, 0, 256);
    plugin->dispatch(Vst2::effMainsChanged, 0, 1);
    e->process_float(e, in, o, 256);
    ASSERT_TRUE(reference->start(44100, 256, kChannels));
    const Audio fresh = run(*reference, signal, 256);
    EXPECT_EQ(out, fresh);

    plugin->dispatch(Vst2::effMainsChanged, 0, 0);
    e->process_float(e, in, o, 256);
    EXPECT_TRUE(allZero(out));

    // Resuming starts the filter afresh: the same output as the first time.
    plugin->dispatch(Vst2::effMainsChanged, 0, 1);
    e->process_float(e, in, o, 256);
    EXPECT_EQ(out, fresh);

    // Unusable rates and sizes are refused and change nothing.
    EXPECT_EQ(plugin->dispatch(Vst2::effSetSampleRate, 0, 0, nullptr, -1.f), 0);
    EXPECT_EQ(plugin->dispatch(Vst2::effSetSampleRate, 0, 0, nullptr, std::nanf("")), 0);
    EXPECT_EQ(plugin->dispatch(Vst2::effSetBlockSize, 0, 0), 0);
    plugin->dispatch(Vst2::effMainsChanged, 0, 0);
    plugin->dispatch(Vst2::effMainsChanged, 0, 1);
    e->process_float(e, in, o, 256);
    EXPECT_EQ(out, fresh);
}

TEST(Vst2Module, SampleRateChangeWhileRunningTakesEffect)
{
    auto plugin = makeVst2();
    auto reference = makeVst3();
    ASSERT_TRUE(plugin && reference);
    ASSERT_TRUE(plugin->start(44100, 256, kChannels));
    // A host that changes the rate without suspending first.
    plugin->dispatch(Vst2::effSetSampleRate, 0, 0, nullptr, 96000.f);
    ASSERT_TRUE(reference->start(96000, 256, kChannels));
    const Signal signal(2048, 96000);
    EXPECT_EQ(run(*plugin, signal, 256), run(*reference, signal, 256));
}

TEST(Vst2Module, ChunkRestoresIntoAFreshInstance)
{
    auto source = makeVst2();
    ASSERT_TRUE(source);
    ASSERT_TRUE(source->start(48000, 256, kChannels));
    ASSERT_TRUE(source->setParameter(kMode, 1.0));
    const Signal warmUp(256, 48000);
    run(*source, warmUp, 256); // the processor takes the value at this block
    const std::vector<uint8_t> chunk = chunkOf(*source);
    ASSERT_GT(chunk.size(), Steinberg::Vst::StateBundle::kHeaderSize);

    auto target = makeVst2();
    ASSERT_TRUE(target);
    EXPECT_DOUBLE_EQ(target->getParameter(kMode), 0.5);
    ASSERT_TRUE(target->restoreState(chunk));
    EXPECT_DOUBLE_EQ(target->getParameter(kMode), 1.0);
    EXPECT_EQ(target->getParameterText(kMode), "guitar");
    EXPECT_EQ(chunkOf(*target), chunk);

    // Same state, same output.
    ASSERT_TRUE(target->start(48000, 256, kChannels));
    source->stop();
    ASSERT_TRUE(source->start(48000, 256, kChannels));
    const Signal signal(2048, 48000, 3);
    EXPECT_EQ(run(*target, signal, 256), run(*source, signal, 256));
}

TEST(Vst2Module, ChunkTakenBeforeAnyBlockKeepsTheHostsLatestValues)
{
    // What a project saved right after an edit, or while the plug-in was
    // suspended, must give back: the processor has not run since the edit.
    const Signal signal(2048, 48000, 3);
    auto reference = makeVst2();
    ASSERT_TRUE(reference && reference->setParameter(kMode, 1.0));
    ASSERT_TRUE(reference->start(48000, 256, kChannels));
    const auto guitarOutput = run(*reference, signal, 256);

    for (const bool started : {false, true})
    {
        SCOPED_TRACE(started ? "running, no block since the edit" : "never started");
        auto source = makeVst2();
        ASSERT_TRUE(source);
        if (started)
        {
            ASSERT_TRUE(source->start(48000, 256, kChannels));
            run(*source, Signal(256, 48000), 256);
        }
        ASSERT_TRUE(source->setParameter(kMode, 1.0));
        const std::vector<uint8_t> chunk = chunkOf(*source);

        auto target = makeVst2();
        ASSERT_TRUE(target && target->restoreState(chunk));
        EXPECT_DOUBLE_EQ(target->getParameter(kMode), 1.0);
        EXPECT_EQ(target->getParameterText(kMode), "guitar");
        EXPECT_EQ(chunkOf(*target), chunk) << "saved again at once, the value stays";
        ASSERT_TRUE(target->start(48000, 256, kChannels));
        EXPECT_EQ(run(*target, signal, 256), guitarOutput) << "the processor cuts as in guitar";
    }
}

// A chunk stored by some host, loaded, saved, loaded into a fresh instance
// and saved again: the two saves are the same bytes.
TEST(Vst2Module, ChunkValuesTakeOneFormSoSavingAgainGivesTheSameBytes)
{
    using Steinberg::Vst::StateBundle;
    auto processorState = [](int32_t bypass, float mode)
    {
        std::vector<uint8_t> bytes(8);
        std::memcpy(bytes.data(), &bypass, 4);
        std::memcpy(bytes.data() + 4, &mode, 4);
        return bytes;
    };
    const struct
    {
        const char* what;
        std::vector<uint8_t> processor;
        std::vector<StateBundle::ParameterValue> values;
    } cases[] = {
        {"Bypass far below zero, then on, then -0",
         processorState(-2147480000, 0.5f),
         {{kBypass, 1.0}, {kBypass, -0.0}}},
        {"-0 for both", processorState(1, 0.25f), {{kBypass, -0.0}, {kMode, -0.0}}},
        {"Mode -0 in the processor state", processorState(0, -0.0f), {{kMode, -0.0}}},
        {"Bypass and Mode beyond 1", processorState(7, 7.0f), {{kMode, 0.75}}},
        {"Mode NaN", processorState(0, std::nanf("")), {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> stored;
        ASSERT_TRUE(StateBundle::build(c.processor, {}, c.values, stored));
        auto first = makeVst2();
        ASSERT_TRUE(first && first->restoreState(stored));
        const std::vector<uint8_t> saved = chunkOf(*first);
        auto second = makeVst2();
        ASSERT_TRUE(second && second->restoreState(saved));
        EXPECT_EQ(chunkOf(*second), saved);
    }
}

TEST(Vst2Module, BadChunksAreRefusedAndChangeNothing)
{
    using Steinberg::Vst::StateBundle;
    // A guitar-mode state to take pieces from.
    auto donor = makeVst2();
    ASSERT_TRUE(donor);
    ASSERT_TRUE(donor->start(48000, 256, kChannels));
    ASSERT_TRUE(donor->setParameter(kMode, 1.0));
    run(*donor, Signal(64, 48000), 64);
    const std::vector<uint8_t> guitar = chunkOf(*donor);
    StateBundle parts;
    ASSERT_TRUE(parts.parse(guitar.data(), guitar.size()));
    const std::vector<uint8_t> processorState(parts.processorState(),
                                              parts.processorState() + parts.processorStateSize());
    const std::vector<uint8_t> controllerState(
        parts.controllerState(), parts.controllerState() + parts.controllerStateSize());
    ASSERT_FALSE(controllerState.empty());

    struct Case
    {
        const char* what;
        std::vector<uint8_t> chunk;
    };
    std::vector<Case> cases;
    cases.push_back({"garbage", std::vector<uint8_t>(40, 0xAB)});
    cases.push_back({"truncated", std::vector<uint8_t>(guitar.begin(), guitar.end() - 1)});
    {
        auto bytes = guitar;
        bytes[4] = 9; // format version
        cases.push_back({"unknown version", bytes});
    }
    {
        std::vector<uint8_t> bytes;
        StateBundle::build({1, 2, 3}, controllerState, {}, bytes);
        cases.push_back({"processor refuses its state", bytes});
    }
    {
        // The processor would take its part; the controller refuses its own.
        std::vector<uint8_t> bytes;
        StateBundle::build(
            processorState,
            std::vector<uint8_t>(controllerState.begin(), controllerState.begin() + 10), {}, bytes);
        cases.push_back({"controller refuses its state", bytes});
    }
    {
        std::vector<uint8_t> bytes;
        StateBundle::build({0, 0, 0}, {}, {}, bytes);
        cases.push_back({"short processor state, no controller state", bytes});
    }

    const Signal signal(1024, 48000, 5);
    for (const Case& c : cases)
    {
        auto plugin = makeVst2();
        auto reference = makeVst2();
        ASSERT_TRUE(plugin && reference);
        const std::vector<uint8_t> before = chunkOf(*plugin);

        auto copy = c.chunk;
        EXPECT_EQ(
            plugin->dispatch(Vst2::effSetChunk, 0, static_cast<intptr_t>(copy.size()), copy.data()),
            0)
            << c.what;
        EXPECT_EQ(chunkOf(*plugin), before) << c.what;
        EXPECT_DOUBLE_EQ(plugin->getParameter(kMode), 0.5) << c.what;
        // The processor kept its mode: same output as an untouched instance.
        ASSERT_TRUE(plugin->start(48000, 256, kChannels));
        ASSERT_TRUE(reference->start(48000, 256, kChannels));
        EXPECT_EQ(run(*plugin, signal, 256), run(*reference, signal, 256)) << c.what;
    }

    auto plugin = makeVst2();
    ASSERT_TRUE(plugin);
    EXPECT_EQ(plugin->dispatch(Vst2::effSetChunk, 0, 100, nullptr), 0);
    EXPECT_EQ(plugin->dispatch(Vst2::effSetChunk, 0, -5, const_cast<uint8_t*>(guitar.data())), 0);
    EXPECT_EQ(plugin->dispatch(Vst2::effGetChunk, 0, 0, nullptr), 0);
}

#endif
