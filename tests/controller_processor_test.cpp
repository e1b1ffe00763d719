// The controller next to the real processor: what the controller shows must
// be what the processor applies, and the processor's messages must arrive.
#include "controllerfixture.h"

#include "module/kestrumparamids.h"
#include "processor/kestrum.h"
#include "support/teststreams.h"
#include "vst3/parameterchanges.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"

#include <cstring>
#include <iterator>
#include <limits>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using Kestrum::kBypassId;
using Kestrum::kModeId;
using KestrumTest::TestStream;

namespace
{

const char16_t* labelOf(Kestrum::FilterMode mode)
{
    static const char16_t* const labels[] = {u"super low", u"bass drop", u"guitar"};
    return labels[mode];
}

class ControllerWithProcessorTest : public KestrumTest::ControllerTest
{
protected:
    void SetUp() override
    {
        ControllerTest::SetUp();
        processorObject = owned(Kestrum::Kestrum::createInstance(nullptr));
        processor = FUnknownPtr<IComponent>(processorObject.get());
        audio = FUnknownPtr<IAudioProcessor>(processorObject.get());
        ASSERT_TRUE(processor && audio);
        ASSERT_EQ(processor->initialize(&host), kResultOk);
        ProcessSetup setup{kRealtime, kSample32, 64, 48000.0};
        ASSERT_EQ(audio->setupProcessing(setup), kResultOk);
    }
    void TearDown() override
    {
        if (processor)
            processor->terminate();
        ControllerTest::TearDown();
    }

    // A block without audio: enough for the processor to take parameter
    // changes and a restored state.
    void runBlock(IParameterChanges* changes = nullptr)
    {
        ProcessData data;
        data.inputParameterChanges = changes;
        ASSERT_EQ(audio->process(data), kResultOk);
    }
    Kestrum::Kestrum& kestrum() { return *static_cast<Kestrum::Kestrum*>(audio.get()); }

    void expectControllerShowsWhatProcessorApplies()
    {
        EXPECT_EQ(currentText(kModeId), labelOf(kestrum().getFilterMode()));
        EXPECT_EQ(currentText(kBypassId), kestrum().isBypassed() ? u"On" : u"Off");
    }

    IPtr<FUnknown> processorObject;
    FUnknownPtr<IComponent> processor;
    FUnknownPtr<IAudioProcessor> audio;
};

TEST_F(ControllerWithProcessorTest, SavedProcessorStateShowsTheAppliedSettings)
{
    const double modes[] = {0.0,
                            0.2,
                            0.3333333432674408,
                            0.33333334326744085,
                            0.3333333730697632,
                            0.5,
                            0.6666666865348816,
                            0.6666667461395264,
                            0.9,
                            1.0};
    const double bypasses[] = {1.0, 0.0, 0.7, 0.4};
    for (size_t i = 0; i < std::size(modes); ++i)
    {
        ParameterChanges changes;
        changes.add(kBypassId, bypasses[i % std::size(bypasses)]);
        changes.add(kModeId, modes[i]);
        runBlock(&changes);

        TestStream saved;
        ASSERT_EQ(processor->getState(&saved), kResultOk);
        saved.position = 0;
        ASSERT_EQ(controller->setComponentState(&saved), kResultOk);
        SCOPED_TRACE(modes[i]);
        expectControllerShowsWhatProcessorApplies();
    }
}

TEST_F(ControllerWithProcessorTest, AnyStoredStateReadsTheSameOnBothSides)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float modes[] = {0.9f,         0.1f,         std::numeric_limits<float>::quiet_NaN(),
                           inf,          -inf,         0.333333343f,
                           0.333333373f, 0.666666687f, 0.666666746f,
                           7.0f};
    const std::int32_t bypasses[] = {-1, 2, 0, 1};
    for (size_t i = 0; i < std::size(modes); ++i)
    {
        std::vector<std::uint8_t> bytes(8);
        std::memcpy(bytes.data(), &bypasses[i % std::size(bypasses)], 4);
        std::memcpy(bytes.data() + 4, &modes[i], 4);
        TestStream forProcessor(bytes), forController(bytes);
        ASSERT_EQ(processor->setState(&forProcessor), kResultOk);
        ASSERT_EQ(controller->setComponentState(&forController), kResultOk);
        runBlock();
        SCOPED_TRACE(modes[i]);
        expectControllerShowsWhatProcessorApplies();
    }
}

TEST_F(ControllerWithProcessorTest, ActivationIsPrintedByTheConnectedController)
{
    FUnknownPtr<IConnectionPoint> processorPoint(processorObject.get());
    FUnknownPtr<IConnectionPoint> controllerPoint(object.get());
    ASSERT_TRUE(processorPoint && controllerPoint);
    ASSERT_EQ(processorPoint->connect(controllerPoint), kResultOk);
    ASSERT_EQ(controllerPoint->connect(processorPoint), kResultOk);

    testing::internal::CaptureStderr();
    ASSERT_EQ(processor->setActive(true), kResultOk);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[KestrumController] received: Kestrum::setActive (true)\n");
    testing::internal::CaptureStderr();
    ASSERT_EQ(processor->setActive(false), kResultOk);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[KestrumController] received: Kestrum::setActive (false)\n");

    EXPECT_EQ(processorPoint->disconnect(controllerPoint), kResultOk);
    EXPECT_EQ(controllerPoint->disconnect(processorPoint), kResultOk);
}

} // namespace
