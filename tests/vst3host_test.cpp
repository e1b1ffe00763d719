// The built plug-in driven through the host library as a host drives it:
// created, initialised and connected, fed blocks with parameter changes, its
// states saved and restored into fresh instances.
#include "host/componenthandler.h"
#include "host/vst3module.h"
#include "host/vst3plugin.h"
#include "module/kestrumparamids.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <thread>

using namespace Steinberg;
using KestrumHost::ComponentHandler;
using KestrumHost::Vst3Plugin;

namespace
{

constexpr double kRate = 48000.0;
constexpr int kBlock = 256;

std::unique_ptr<Vst3Plugin> openPlugin()
{
    std::string error;
    auto plugin = Vst3Plugin::open(KESTRUM_VST3_BUNDLE_PATH, error);
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

// A stereo test signal with a DC offset, rumble and a tone, different per
// channel.
std::vector<std::vector<float>> testSignal(int frames)
{
    std::vector<std::vector<float>> signal(2, std::vector<float>(static_cast<size_t>(frames)));
    for (int i = 0; i < frames; ++i)
    {
        const double t = i / kRate;
        signal[0][static_cast<size_t>(i)] = static_cast<float>(
            0.3 + 0.1 * std::sin(2 * M_PI * 7 * t) + 0.2 * std::sin(2 * M_PI * 440 * t));
        signal[1][static_cast<size_t>(i)] = static_cast<float>(
            -0.2 + 0.05 * std::sin(2 * M_PI * 3 * t) + 0.3 * std::sin(2 * M_PI * 1000 * t));
    }
    return signal;
}

// Runs the signal through in blocks and returns the output.
std::vector<std::vector<float>> run(Vst3Plugin& plugin, const std::vector<std::vector<float>>& in)
{
    const int frames = static_cast<int>(in[0].size());
    std::vector<std::vector<float>> out(in.size(), std::vector<float>(in[0].size()));
    for (int pos = 0; pos < frames; pos += kBlock)
    {
        const int n = std::min(kBlock, frames - pos);
        const float* inputs[2] = {in[0].data() + pos, in[1].data() + pos};
        float* outputs[2] = {out[0].data() + pos, out[1].data() + pos};
        EXPECT_TRUE(plugin.process(inputs, outputs, n));
    }
    return out;
}

float savedModeValue(Vst3Plugin& plugin)
{
    std::vector<std::uint8_t> state;
    EXPECT_TRUE(plugin.getProcessorState(state));
    float mode = std::numeric_limits<float>::quiet_NaN();
    if (state.size() == 8)
        std::memcpy(&mode, state.data() + 4, sizeof(mode));
    return mode;
}

} // namespace

TEST(Vst3Host, CreatesConnectedPairThatTalksOnActivation)
{
    auto plugin = openPlugin();
    ASSERT_TRUE(plugin);
    EXPECT_EQ(plugin->name(), "Tavrek Kestrum VST3");
    EXPECT_TRUE(plugin->hasParameter(Kestrum::kBypassId));
    EXPECT_TRUE(plugin->hasParameter(Kestrum::kModeId));
    // The processor's activation message reaches the controller only through
    // the connection the host made.
    testing::internal::CaptureStderr();
    ASSERT_TRUE(plugin->start(kRate, kBlock, 2));
    plugin->stop();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("[KestrumController] received: Kestrum::setActive (true)"),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("[KestrumController] received: Kestrum::setActive (false)"),
              std::string::npos)
        << err;
}

TEST(Vst3Host, RoundTripOfBothStatesGivesIdenticalOutputAndParameters)
{
    const auto input = testSignal(48000);

    auto original = openPlugin();
    ASSERT_TRUE(original);
    ASSERT_TRUE(original->setParameter(Kestrum::kModeId, 1.0)); // guitar
    ASSERT_TRUE(original->start(kRate, kBlock, 2));
    const auto expected = run(*original, input);
    original->stop();

    std::vector<std::uint8_t> processorState, controllerState, blob;
    ASSERT_TRUE(original->getProcessorState(processorState));
    ASSERT_TRUE(original->getControllerState(controllerState));
    EXPECT_EQ(processorState.size(), 8u);
    EXPECT_EQ(controllerState.size(), 257u);
    ASSERT_TRUE(original->saveState(blob));

    auto restored = openPlugin();
    ASSERT_TRUE(restored);
    ASSERT_TRUE(restored->restoreState(blob));
    for (auto id : {Kestrum::kBypassId, Kestrum::kModeId})
    {
        EXPECT_EQ(restored->getParameter(id), original->getParameter(id));
        EXPECT_EQ(restored->getParameterText(id), original->getParameterText(id));
    }
    EXPECT_EQ(restored->getParameterText(Kestrum::kModeId), "guitar");
    std::vector<std::uint8_t> again;
    ASSERT_TRUE(restored->getControllerState(again));
    EXPECT_EQ(again, controllerState);

    ASSERT_TRUE(restored->start(kRate, kBlock, 2));
    const auto output = run(*restored, input);
    EXPECT_EQ(output, expected);

    // A fresh instance in its default mode filters differently, so the match
    // above is the restored mode at work.
    auto fresh = openPlugin();
    ASSERT_TRUE(fresh->start(kRate, kBlock, 2));
    EXPECT_NE(run(*fresh, input), expected);
}

TEST(Vst3Host, RefusedStateBlobsChangeNothing)
{
    auto plugin = openPlugin();
    ASSERT_TRUE(plugin);
    ASSERT_TRUE(plugin->setParameter(Kestrum::kModeId, 0.0));
    ASSERT_TRUE(plugin->setParameter(Kestrum::kBypassId, 1.0));
    ASSERT_TRUE(plugin->start(kRate, kBlock, 2));
    run(*plugin, testSignal(kBlock)); // hands the values to the processor
    std::vector<std::uint8_t> good;
    ASSERT_TRUE(plugin->saveState(good));

    // A state saved by an instance in other settings, then damaged.
    auto other = openPlugin();
    ASSERT_TRUE(other->setParameter(Kestrum::kModeId, 1.0));
    ASSERT_TRUE(other->start(kRate, kBlock, 2));
    run(*other, testSignal(kBlock));
    std::vector<std::uint8_t> valid;
    ASSERT_TRUE(other->saveState(valid));

    auto withController = [&](size_t size)
    {
        // Same processor state, controller state cut to `size` bytes.
        std::vector<std::uint8_t> blob(valid.begin(), valid.begin() + 4 + 4 + 4 + 8);
        const std::uint32_t n = static_cast<std::uint32_t>(size);
        for (int i = 0; i < 4; ++i)
            blob.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
        blob.insert(blob.end(), valid.begin() + 24, valid.begin() + 24 + static_cast<long>(size));
        return blob;
    };
    auto withProcessor = [&](std::vector<std::uint8_t> bytes)
    {
        std::vector<std::uint8_t> blob(valid.begin(), valid.begin() + 8);
        const auto n = static_cast<std::uint32_t>(bytes.size());
        for (int i = 0; i < 4; ++i)
            blob.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
        blob.insert(blob.end(), bytes.begin(), bytes.end());
        blob.insert(blob.end(), valid.begin() + 20, valid.end());
        return blob;
    };
    std::vector<std::uint8_t> wrongTag = valid;
    wrongTag[0] ^= 0xFF;
    std::vector<std::uint8_t> trailing = valid;
    trailing.push_back(0);
    std::vector<std::uint8_t> truncated(valid.begin(), valid.end() - 1);

    struct Case
    {
        const char* what;
        std::vector<std::uint8_t> blob;
    };
    const Case cases[] = {
        {"empty", {}},
        {"wrong tag", wrongTag},
        {"trailing byte", trailing},
        {"truncated", truncated},
        {"processor state too short", withProcessor({1, 0, 0})},
        {"controller state too short", withController(100)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(plugin->restoreState(c.blob));
        std::vector<std::uint8_t> now;
        ASSERT_TRUE(plugin->saveState(now));
        EXPECT_EQ(now, good);
        EXPECT_EQ(plugin->getParameter(Kestrum::kModeId), 0.0);
        EXPECT_EQ(plugin->getParameter(Kestrum::kBypassId), 1.0);
    }
    EXPECT_TRUE(plugin->restoreState(valid));
    EXPECT_EQ(plugin->getParameter(Kestrum::kModeId), 1.0);
}

TEST(Vst3Host, HostEditsAreRecordedAndReachTheProcessorAtTheNextBlock)
{
    auto plugin = openPlugin();
    ASSERT_TRUE(plugin);
    ASSERT_TRUE(plugin->start(kRate, kBlock, 2));
    const auto input = testSignal(kBlock);

    // An edit the way the controller reports one to its host.
    ComponentHandler& handler = plugin->handler();
    handler.beginEdit(Kestrum::kModeId);
    handler.performEdit(Kestrum::kModeId, 0.0);
    handler.endEdit(Kestrum::kModeId);
    handler.restartComponent(Vst::kParamValuesChanged);
    const std::vector<ComponentHandler::Call> expected = {
        {ComponentHandler::CallType::beginEdit, Kestrum::kModeId, 0.0, 0},
        {ComponentHandler::CallType::performEdit, Kestrum::kModeId, 0.0, 0},
        {ComponentHandler::CallType::endEdit, Kestrum::kModeId, 0.0, 0},
        {ComponentHandler::CallType::restartComponent, 0, 0.0, Vst::kParamValuesChanged},
    };
    EXPECT_EQ(handler.calls(), expected);

    EXPECT_EQ(savedModeValue(*plugin), 0.5f); // not applied before a block
    run(*plugin, input);
    EXPECT_EQ(savedModeValue(*plugin), 0.0f);

    // setParameter tells the controller, which tells the processor's saved
    // state at once; the audio follows with the next block.
    ASSERT_TRUE(plugin->setParameter(Kestrum::kModeId, 1.0));
    EXPECT_EQ(plugin->getParameter(Kestrum::kModeId), 1.0);
    EXPECT_EQ(savedModeValue(*plugin), 1.0f);
    run(*plugin, input);
    EXPECT_EQ(savedModeValue(*plugin), 1.0f);

    // A long drag between two blocks: its newest value is the one applied.
    for (int i = 0; i < 100; ++i)
        handler.performEdit(Kestrum::kModeId, 0.0);
    handler.performEdit(Kestrum::kModeId, 0.5);
    run(*plugin, input);
    EXPECT_EQ(savedModeValue(*plugin), 0.5f);
    handler.clearCalls();
    EXPECT_TRUE(handler.calls().empty());
}

// A host that sets values through the controller and asks for both states
// before any block ran (a project saved straight after an edit with the
// transport stopped; pluginval in a random order) restores what it set.
TEST(Vst3Host, StateTakenRightAfterAnEditRestoresTheEdit)
{
    const auto input = testSignal(4 * kBlock);
    const struct
    {
        double bypass, mode;
        bool started;
    } cases[] = {{0.0, 0.14883, true},
                 {1.0, 0.968041, true},
                 {0.0, 0.0, false},
                 {1.0, 0.6, false},
                 {0.0, 1.0, true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.mode);
        auto original = openPlugin();
        ASSERT_TRUE(original);
        if (c.started)
        {
            ASSERT_TRUE(original->start(kRate, kBlock, 2));
        }
        ASSERT_TRUE(original->setParameter(Kestrum::kBypassId, c.bypass));
        ASSERT_TRUE(original->setParameter(Kestrum::kModeId, c.mode));
        std::vector<std::uint8_t> blob;
        ASSERT_TRUE(original->saveState(blob));

        auto restored = openPlugin();
        ASSERT_TRUE(restored && restored->restoreState(blob));
        EXPECT_EQ(restored->getParameter(Kestrum::kBypassId), c.bypass);
        EXPECT_EQ(restored->getParameter(Kestrum::kModeId), static_cast<float>(c.mode));
        // Both play the same once the original's queued values arrived.
        if (!c.started)
        {
            ASSERT_TRUE(original->start(kRate, kBlock, 2));
        }
        ASSERT_TRUE(restored->start(kRate, kBlock, 2));
        EXPECT_EQ(run(*restored, input), run(*original, input));
    }
}

TEST(Vst3Host, SavedStateHoldsWhicheverValueTheHostSetLast)
{
    auto plugin = openPlugin();
    ASSERT_TRUE(plugin && plugin->start(kRate, kBlock, 2));
    const auto input = testSignal(kBlock);
    ASSERT_TRUE(plugin->setParameter(Kestrum::kModeId, 0.25)); // controller and queue
    EXPECT_EQ(savedModeValue(*plugin), 0.25f);
    plugin->handler().performEdit(Kestrum::kModeId, 0.75); // the queue only
    EXPECT_EQ(savedModeValue(*plugin), 0.25f);
    run(*plugin, input);
    EXPECT_EQ(savedModeValue(*plugin), 0.75f);
    ASSERT_EQ(plugin->controller()->setParamNormalized(Kestrum::kModeId, 0.125), kResultOk);
    EXPECT_EQ(savedModeValue(*plugin), 0.125f);
    run(*plugin, input); // no change in its queue
    EXPECT_EQ(savedModeValue(*plugin), 0.125f);
}

// Hosts that load sessions on several threads, and the batch tool with -j,
// create and activate instances of one loaded module side by side (run under
// ThreadSanitizer too).
TEST(Vst3Host, InstancesCreatedAndActivatedConcurrentlyOnEightThreads)
{
    std::string error;
    const auto module = KestrumHost::Vst3Module::load(KESTRUM_VST3_BUNDLE_PATH, error);
    ASSERT_TRUE(module) << error;
    const auto input = testSignal(2 * kBlock);
    auto guitarOutput = [&]
    {
        std::string why;
        auto plugin = Vst3Plugin::create(module, why);
        std::vector<std::vector<float>> out;
        if (plugin && plugin->setParameter(Kestrum::kModeId, 1.0) &&
            plugin->start(kRate, kBlock, 2))
            out = run(*plugin, input);
        return out;
    };
    std::vector<std::vector<std::vector<float>>> outputs(8);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < outputs.size(); ++t)
        threads.emplace_back(
            [&, t]
            {
                for (int round = 0; round < 3; ++round)
                    outputs[t] = guitarOutput();
            });
    for (auto& thread : threads)
        thread.join();

    const auto expected = guitarOutput();
    ASSERT_FALSE(expected.empty());
    for (const auto& output : outputs)
        EXPECT_EQ(output, expected);
}

TEST(Vst3Host, RefusesBadSettingsAndBlocks)
{
    auto plugin = openPlugin();
    ASSERT_TRUE(plugin);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(plugin->setParameter(99, 0.5));
    EXPECT_FALSE(plugin->setParameter(Kestrum::kModeId, 1.5));
    EXPECT_FALSE(plugin->setParameter(Kestrum::kModeId, -0.1));
    EXPECT_FALSE(plugin->setParameter(Kestrum::kModeId, nan));
    EXPECT_EQ(plugin->getParameter(Kestrum::kModeId), 0.5);

    struct Setup
    {
        double rate;
        int block;
        int channels;
    };
    for (const Setup& s : {Setup{0, 256, 2}, Setup{nan, 256, 2}, Setup{-48000, 256, 2},
                           Setup{48000, 0, 2}, Setup{48000, 256, 0}, Setup{48000, 256, 65}})
    {
        SCOPED_TRACE(s.rate);
        EXPECT_FALSE(plugin->start(s.rate, s.block, s.channels));
        EXPECT_FALSE(plugin->isStarted());
    }

    float in[kBlock + 1] = {};
    float out[kBlock + 1] = {};
    const float* inputs[2] = {in, in};
    float* outputs[2] = {out, out};
    EXPECT_FALSE(plugin->process(inputs, outputs, 16)); // not started
    ASSERT_TRUE(plugin->start(kRate, kBlock, 2));
    EXPECT_FALSE(plugin->process(inputs, outputs, kBlock + 1));
    EXPECT_FALSE(plugin->process(nullptr, outputs, 16));
    const float* missing[2] = {in, nullptr};
    EXPECT_FALSE(plugin->process(missing, outputs, 16));
    EXPECT_TRUE(plugin->process(inputs, outputs, 0));
    EXPECT_TRUE(plugin->process(inputs, outputs, kBlock));
}

TEST(Vst3Host, MonoInputIsFiltered)
{
    auto plugin = openPlugin();
    ASSERT_TRUE(plugin);
    ASSERT_TRUE(plugin->start(kRate, kBlock, 1));
    std::vector<float> in(static_cast<size_t>(kRate), 0.5f), out(in.size());
    for (size_t pos = 0; pos < in.size(); pos += kBlock)
    {
        const int n = static_cast<int>(std::min<size_t>(kBlock, in.size() - pos));
        const float* inputs[1] = {in.data() + pos};
        float* outputs[1] = {out.data() + pos};
        ASSERT_TRUE(plugin->process(inputs, outputs, n));
    }
    // A constant input decays to nothing within a second.
    EXPECT_LT(std::fabs(out.back()), 1e-3f);
    EXPECT_GT(std::fabs(out.front()), 0.1f);
}
