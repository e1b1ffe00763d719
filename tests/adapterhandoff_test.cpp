// How parameter values travel inside the VST 2 wrapper: the lock-free
// handoff between host, controller and audio thread, the component handler
// that turns the controller's edits into VST 2 automation.
#include "adapter/parameterhandoff.h"
#include "vst2/vst2componenthandler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using Origin = ParameterHandoff::Origin;

namespace
{

std::vector<std::pair<int32, double>> takeProcessor(ParameterHandoff& handoff)
{
    std::vector<std::pair<int32, double>> taken;
    handoff.takeProcessorChanges([&](int32 i, double v) { taken.emplace_back(i, v); });
    return taken;
}

std::vector<std::pair<int32, double>> takeController(ParameterHandoff& handoff)
{
    std::vector<std::pair<int32, double>> taken;
    handoff.takeControllerChanges([&](int32 i, double v) { taken.emplace_back(i, v); });
    return taken;
}

using Changes = std::vector<std::pair<int32, double>>;

} // namespace

TEST(ParameterHandoff, ProcessorGetsTheLatestValueOnce)
{
    ParameterHandoff handoff(3);
    EXPECT_TRUE(takeProcessor(handoff).empty());

    handoff.set(2, 0.25, Origin::kHost);
    handoff.set(2, 0.75, Origin::kHost);
    handoff.set(0, 1.0, Origin::kController);
    EXPECT_EQ(takeProcessor(handoff), (Changes{{0, 1.0}, {2, 0.75}}));
    EXPECT_TRUE(takeProcessor(handoff).empty());
    EXPECT_DOUBLE_EQ(handoff.get(2), 0.75);
}

TEST(ParameterHandoff, OnlyHostValuesGoBackToTheController)
{
    ParameterHandoff handoff(2);
    handoff.set(0, 0.5, Origin::kController); // the controller made it
    handoff.set(1, 0.25, Origin::kHost);
    EXPECT_EQ(takeController(handoff), (Changes{{1, 0.25}}));
    EXPECT_TRUE(takeController(handoff).empty());
    // The processor still gets both.
    EXPECT_EQ(takeProcessor(handoff), (Changes{{0, 0.5}, {1, 0.25}}));
}

TEST(ParameterHandoff, ValuesTheHostDeliveredItselfGoOnlyToTheController)
{
    ParameterHandoff handoff(2);
    handoff.set(1, 0.75, Origin::kHostDelivered);
    EXPECT_TRUE(takeProcessor(handoff).empty()) << "the processor has it already";
    EXPECT_EQ(takeController(handoff), (Changes{{1, 0.75}}));
    EXPECT_DOUBLE_EQ(handoff.get(1), 0.75);
}

TEST(ParameterHandoff, ResetDropsWhatWasOnItsWay)
{
    ParameterHandoff handoff(1);
    handoff.set(0, 0.9, Origin::kHost);
    handoff.reset(0, 0.1);
    EXPECT_DOUBLE_EQ(handoff.get(0), 0.1);
    EXPECT_TRUE(takeProcessor(handoff).empty());
    EXPECT_TRUE(takeController(handoff).empty());
}

TEST(ParameterHandoff, IndicesOutOfRangeAreIgnored)
{
    ParameterHandoff handoff(2);
    handoff.set(-1, 0.5, Origin::kHost);
    handoff.set(2, 0.5, Origin::kHost);
    handoff.reset(7, 0.5);
    EXPECT_TRUE(takeProcessor(handoff).empty());
    EXPECT_DOUBLE_EQ(handoff.get(-1), 0.0);
    EXPECT_DOUBLE_EQ(handoff.get(2), 0.0);
    ParameterHandoff none(-3);
    EXPECT_EQ(none.size(), 0);
}

TEST(ParameterHandoff, AudioThreadNeverLosesTheLastValue)
{
    // A writer thread sets increasing values; whatever the reader took last
    // must be the writer's last value once both are done.
    ParameterHandoff handoff(1);
    std::atomic<bool> done{false};
    double lastTaken = -1.0;
    bool ordered = true;
    std::thread reader(
        [&]
        {
            while (!done.load())
            {
                handoff.takeProcessorChanges(
                    [&](int32, double v)
                    {
                        ordered = ordered && v >= lastTaken;
                        lastTaken = v;
                    });
            }
            handoff.takeProcessorChanges([&](int32, double v) { lastTaken = v; });
        });
    const int kWrites = 20000;
    for (int i = 1; i <= kWrites; ++i)
        handoff.set(0, i / static_cast<double>(kWrites), Origin::kHost);
    done.store(true);
    reader.join();
    EXPECT_TRUE(ordered);
    EXPECT_DOUBLE_EQ(lastTaken, 1.0);
}

namespace
{

struct RecordedCall
{
    int32_t opcode;
    int32_t index;
    float opt;
    AEffect* effect;

    bool operator==(const RecordedCall& other) const
    {
        return opcode == other.opcode && index == other.index && opt == other.opt &&
               effect == other.effect;
    }
};
std::vector<RecordedCall> recordedCalls;

intptr_t recordingHost(AEffect* effect, int32_t opcode, int32_t index, intptr_t, void*, float opt)
{
    recordedCalls.push_back({opcode, index, opt, effect});
    return 1;
}

} // namespace

TEST(Vst2ComponentHandler, EditsBecomeHostAutomationAndReachTheProcessor)
{
    recordedCalls.clear();
    AEffect effect{};
    ParameterHandoff handoff(2);
    // VST 3 IDs 40 and 17 are VST 2 indices 0 and 1.
    Vst2ComponentHandler handler(recordingHost, {40, 17}, handoff);
    handler.setEffect(&effect);

    EXPECT_EQ(handler.beginEdit(17), kResultOk);
    EXPECT_EQ(handler.performEdit(17, 0.25), kResultOk);
    EXPECT_EQ(handler.performEdit(17, 1.5), kResultOk); // clamped
    EXPECT_EQ(handler.endEdit(17), kResultOk);
    EXPECT_EQ(recordedCalls, (std::vector<RecordedCall>{
                                 {Vst2::audioMasterBeginEdit, 1, 0.f, &effect},
                                 {Vst2::audioMasterAutomate, 1, 0.25f, &effect},
                                 {Vst2::audioMasterAutomate, 1, 1.0f, &effect},
                                 {Vst2::audioMasterEndEdit, 1, 0.f, &effect},
                             }));
    // The processor gets the last value; the controller made it, so it is
    // not sent back there.
    EXPECT_EQ(takeProcessor(handoff), (Changes{{1, 1.0}}));
    EXPECT_TRUE(takeController(handoff).empty());
}

TEST(Vst2ComponentHandler, UnknownParametersAndBadValuesGoNowhere)
{
    recordedCalls.clear();
    ParameterHandoff handoff(1);
    Vst2ComponentHandler handler(recordingHost, {5}, handoff);
    EXPECT_EQ(handler.beginEdit(6), kInvalidArgument);
    EXPECT_EQ(handler.performEdit(6, 0.5), kInvalidArgument);
    EXPECT_EQ(handler.endEdit(6), kInvalidArgument);
    EXPECT_EQ(handler.performEdit(5, std::numeric_limits<double>::quiet_NaN()), kInvalidArgument);
    EXPECT_TRUE(recordedCalls.empty());
    EXPECT_TRUE(takeProcessor(handoff).empty());
    EXPECT_EQ(handler.indexOf(5), 0);
    EXPECT_EQ(handler.indexOf(6), -1);
}

TEST(Vst2ComponentHandler, RestartsTellTheHostWhatChanged)
{
    struct Case
    {
        int32 flags;
        std::vector<int32_t> opcodes;
    };
    const Case cases[] = {
        {kParamValuesChanged, {Vst2::audioMasterUpdateDisplay}},
        {kParamValuesChanged | kLatencyChanged,
         {Vst2::audioMasterUpdateDisplay, Vst2::audioMasterIOChanged}},
        {kReloadComponent, {}},
    };
    ParameterHandoff handoff(1);
    Vst2ComponentHandler handler(recordingHost, {0}, handoff);
    for (const Case& c : cases)
    {
        recordedCalls.clear();
        EXPECT_EQ(handler.restartComponent(c.flags), kResultOk);
        std::vector<int32_t> opcodes;
        for (const RecordedCall& call : recordedCalls)
            opcodes.push_back(call.opcode);
        EXPECT_EQ(opcodes, c.opcodes) << "flags " << c.flags;
    }
}
