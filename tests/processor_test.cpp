#include "module/kestrumcids.h"
#include "module/kestrumparamids.h"
#include "processor/dcoffsetfilter.h"
#include "processor/kestrum.h"
#include "support/allocationcounter.h"
#include "support/referencefilter.h"
#include "support/teststreams.h"
#include "vst3/parameterchanges.h"

#include "pluginterfaces/vst/ivstmessage.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using Kestrum::FilterMode;
using KestrumTest::ReferenceChannel;
using KestrumTest::TestStream;

namespace
{

Kestrum::FilterCoefficients rowFor(FilterMode mode, int32 rate)
{
    Kestrum::FilterCoefficients c{};
    EXPECT_TRUE(Kestrum::tabledCoefficients(mode, rate, c));
    return c;
}

std::vector<float> testSignal(int numSamples, int channel)
{
    std::vector<float> x(static_cast<size_t>(numSamples));
    for (int i = 0; i < numSamples; ++i)
        x[static_cast<size_t>(i)] =
            0.25f + 0.5f * std::sin(0.013f * static_cast<float>(i * (channel + 1))) +
            (i % 97 == 0 ? 0.0f : 0.001f * static_cast<float>(channel));
    return x;
}

// A peer that keeps the texts of the messages it receives.
class RecordingPeer : public IConnectionPoint
{
public:
    std::vector<std::string> texts;

    tresult PLUGIN_API connect(IConnectionPoint*) override { return kResultOk; }
    tresult PLUGIN_API disconnect(IConnectionPoint*) override { return kResultOk; }
    tresult PLUGIN_API notify(IMessage* message) override
    {
        TChar text[256] = {};
        if (std::strcmp(message->getMessageID(), "TextMessage") == 0 &&
            message->getAttributes()->getString("Text", text, sizeof(text)) == kResultOk)
        {
            std::string ascii;
            for (const TChar* p = text; *p; ++p)
                ascii += static_cast<char>(*p);
            texts.push_back(ascii);
        }
        return kResultOk;
    }
    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
    {
        QUERY_INTERFACE(iid, obj, FUnknown::iid, IConnectionPoint)
        QUERY_INTERFACE(iid, obj, IConnectionPoint::iid, IConnectionPoint)
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
};

// One main input and one main output bus over vectors of channel samples,
// as a host hands them to process.
struct Block
{
    Block(std::vector<std::vector<float>>& in, std::vector<std::vector<float>>& out,
          int32 numSamples, IParameterChanges* changes = nullptr)
    {
        for (auto& c : in)
            inPtrs.push_back(c.data());
        for (auto& c : out)
            outPtrs.push_back(c.data());
        inBus.numChannels = static_cast<int32>(in.size());
        inBus.channelBuffers32 = inPtrs.data();
        outBus.numChannels = static_cast<int32>(out.size());
        outBus.channelBuffers32 = outPtrs.data();
        data.symbolicSampleSize = kSample32;
        data.numSamples = numSamples;
        data.numInputs = 1;
        data.numOutputs = 1;
        data.inputs = &inBus;
        data.outputs = &outBus;
        data.inputParameterChanges = changes;
    }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;

    std::vector<float*> inPtrs, outPtrs;
    AudioBusBuffers inBus{}, outBus{};
    ProcessData data{};
};

class ProcessorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        processor = owned(new Kestrum::Kestrum);
        ASSERT_EQ(processor->initialize(&host), kResultOk);
    }
    void TearDown() override { processor->terminate(); }

    void activate(double rate = 44100.0, int32 maxBlock = 4096)
    {
        ProcessSetup setup{kRealtime, kSample32, maxBlock, rate};
        ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
        ASSERT_EQ(processor->setActive(true), kResultOk);
    }

    // Runs one block; in and out hold one vector per channel of each bus.
    void run(std::vector<std::vector<float>>& in, std::vector<std::vector<float>>& out,
             int32 numSamples, IParameterChanges* changes = nullptr)
    {
        Block block(in, out, numSamples, changes);
        ASSERT_EQ(processor->process(block.data), kResultOk);
    }

    void setParam(ParamID id, double value)
    {
        ParameterChanges changes;
        changes.add(id, value);
        ProcessData data{};
        data.symbolicSampleSize = kSample32;
        data.inputParameterChanges = &changes;
        ASSERT_EQ(processor->process(data), kResultOk);
    }

    std::vector<uint8_t> stateBytes()
    {
        TestStream stream;
        EXPECT_EQ(processor->getState(&stream), kResultOk);
        return stream.data;
    }

    HostApplication host;
    IPtr<Kestrum::Kestrum> processor;
};

std::vector<uint8_t> bytes(int32 bypass, float mode)
{
    std::vector<uint8_t> b(8);
    std::memcpy(b.data(), &bypass, 4);
    std::memcpy(b.data() + 4, &mode, 4);
    return b;
}

} // namespace

TEST_F(ProcessorTest, InitializeDeclaresStereoBusesAndNamesTheController)
{
    EXPECT_EQ(processor->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(processor->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(processor->getBusCount(kEvent, kInput), 0);
    BusInfo info{};
    ASSERT_EQ(processor->getBusInfo(kAudio, kInput, 0, info), kResultTrue);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(info.name)), u"Stereo In");
    EXPECT_EQ(info.channelCount, 2);
    EXPECT_EQ(info.busType, kMain);
    EXPECT_EQ(info.flags, static_cast<uint32>(BusInfo::kDefaultActive));
    ASSERT_EQ(processor->getBusInfo(kAudio, kOutput, 0, info), kResultTrue);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(info.name)), u"Stereo Out");
    EXPECT_EQ(processor->getFilterChannelCount(), 2);

    TUID cid;
    ASSERT_EQ(processor->getControllerClassId(cid), kResultOk);
    EXPECT_TRUE(Kestrum::KestrumControllerUID == FUID::fromTUID(cid));
    EXPECT_EQ(processor->initialize(&host), kResultFalse) << "a second initialize is refused";
    EXPECT_EQ(processor->getBusCount(kAudio, kInput), 1);
}

TEST_F(ProcessorTest, CreateInstanceHandsOutTheAudioProcessorAndItsContextNeeds)
{
    FUnknown* unknown = Kestrum::Kestrum::createInstance(nullptr);
    ASSERT_NE(unknown, nullptr);
    IAudioProcessor* audio = nullptr;
    ASSERT_EQ(unknown->queryInterface(IAudioProcessor::iid, reinterpret_cast<void**>(&audio)),
              kResultOk);
    EXPECT_EQ(static_cast<FUnknown*>(audio), unknown);
    audio->release();

    // Nothing of the process context is read, so nothing is asked for.
    IProcessContextRequirements* requirements = nullptr;
    ASSERT_EQ(unknown->queryInterface(IProcessContextRequirements::iid,
                                      reinterpret_cast<void**>(&requirements)),
              kResultOk);
    EXPECT_EQ(requirements->getProcessContextRequirements(), 0u);
    requirements->release();
    EXPECT_EQ(unknown->release(), 0u);
}

TEST_F(ProcessorTest, BusArrangementsAreNamedByChannelCountAndRefusedWhenMalformed)
{
    struct Case
    {
        SpeakerArrangement in, out;
        const char16_t* inName;
        const char16_t* outName;
    };
    const Case cases[] = {
        {SpeakerArr::kMono, SpeakerArr::kMono, u"1 Ch In", u"1 Ch Out"},
        {SpeakerArr::kMono, SpeakerArr::kStereo, u"1 Ch In", u"2 Ch Out"},
        {SpeakerArr::k51, SpeakerArr::kStereo, u"6 Ch In", u"2 Ch Out"},
        {SpeakerArr::kStereo, SpeakerArr::kStereo, u"2 Ch In", u"2 Ch Out"},
    };
    for (const auto& c : cases)
    {
        SpeakerArrangement in = c.in, out = c.out;
        ASSERT_EQ(processor->setBusArrangements(&in, 1, &out, 1), kResultOk);
        BusInfo info{};
        processor->getBusInfo(kAudio, kInput, 0, info);
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(info.name)), c.inName);
        processor->getBusInfo(kAudio, kOutput, 0, info);
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(info.name)), c.outName);
        SpeakerArrangement arr = 0;
        processor->getBusArrangement(kOutput, 0, arr);
        EXPECT_EQ(arr, c.out);
        EXPECT_EQ(processor->getFilterChannelCount(), SpeakerArr::getChannelCount(c.in));
    }

    SpeakerArrangement two[] = {SpeakerArr::kStereo, SpeakerArr::kStereo};
    SpeakerArrangement one = SpeakerArr::kMono;
    EXPECT_EQ(processor->setBusArrangements(two, 2, &one, 1), kResultFalse);
    EXPECT_EQ(processor->setBusArrangements(two, 0, &one, 1), kResultFalse);
    EXPECT_EQ(processor->setBusArrangements(&one, 1, two, 2), kResultFalse);
    EXPECT_EQ(processor->setBusArrangements(nullptr, 1, &one, 1), kResultFalse);
    BusInfo info{};
    processor->getBusInfo(kAudio, kInput, 0, info);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(info.name)), u"2 Ch In")
        << "a refused arrangement leaves the buses as they were";
}

TEST_F(ProcessorTest, SetupProcessingAcceptsOnly32BitAndUsableRates)
{
    ProcessSetup setup{kRealtime, kSample64, 512, 48000.0};
    EXPECT_EQ(processor->canProcessSampleSize(kSample64), kResultFalse);
    EXPECT_NE(processor->setupProcessing(setup), kResultOk);
    setup.symbolicSampleSize = kSample32;
    for (double rate : {0.0, -44100.0, std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity()})
    {
        setup.sampleRate = rate;
        EXPECT_NE(processor->setupProcessing(setup), kResultOk) << rate;
    }
    setup.sampleRate = 48000.0;
    EXPECT_EQ(processor->setupProcessing(setup), kResultOk);
}

TEST_F(ProcessorTest, ActivationSendsTextMessagesAndSizesTheFilterFromTheOutputBus)
{
    RecordingPeer peer;
    ASSERT_EQ(processor->connect(&peer), kResultOk);
    SpeakerArrangement in = SpeakerArr::kMono, out = SpeakerArr::k51;
    ASSERT_EQ(processor->setBusArrangements(&in, 1, &out, 1), kResultOk);
    activate(48000.0);
    EXPECT_EQ(processor->getFilterChannelCount(), 6);
    ASSERT_EQ(processor->setActive(false), kResultOk);
    EXPECT_EQ(processor->getFilterChannelCount(), 6) << "deactivation leaves the filter alone";
    EXPECT_EQ(peer.texts, (std::vector<std::string>{"Kestrum::setActive (true)",
                                                    "Kestrum::setActive (false)"}));
    processor->disconnect(&peer);
}

TEST_F(ProcessorTest, OutputIsBitExactWithTheRecurrenceForEveryModeAndRate)
{
    const int32 rates[] = {22050, 44100, 48000, 96000, 192000};
    const double modeValues[] = {0.0, 0.5, 1.0};
    for (int32 rate : rates)
    {
        for (int m = 0; m < 3; ++m)
        {
            processor->setActive(false);
            activate(rate);
            setParam(Kestrum::kModeId, modeValues[m]);
            const auto mode = static_cast<FilterMode>(m);
            ASSERT_EQ(processor->getFilterMode(), mode);
            const auto coefficients = rowFor(mode, rate);

            ReferenceChannel ref[2];
            for (int block = 0; block < 3; ++block)
            {
                const int32 n = block == 1 ? 1 : 257;
                std::vector<std::vector<float>> in{testSignal(n, block), testSignal(n, block + 1)};
                std::vector<std::vector<float>> out(2, std::vector<float>(static_cast<size_t>(n)));
                run(in, out, n);
                for (int c = 0; c < 2; ++c)
                    for (int32 i = 0; i < n; ++i)
                        ASSERT_EQ(out[c][i], ref[c].step(coefficients, in[c][i]))
                            << "rate " << rate << " mode " << m << " channel " << c << " sample "
                            << i;
            }
        }
    }
}

TEST_F(ProcessorTest, ModeValuesMapOntoFilterModesWithSinglePrecisionBounds)
{
    const float low = 0.333333343f, high = 0.666666687f;
    const struct
    {
        double value;
        FilterMode mode;
    } cases[] = {
        {0.0, Kestrum::kModeSuperLow},
        {low, Kestrum::kModeSuperLow},
        {std::nextafter(low, 1.0f), Kestrum::kModeBassDrop},
        {0.5, Kestrum::kModeBassDrop},
        {high, Kestrum::kModeBassDrop},
        {std::nextafter(high, 1.0f), Kestrum::kModeGuitar},
        {1.0, Kestrum::kModeGuitar},
        {0.33333334326744085, Kestrum::kModeSuperLow}, // narrows onto the bound
    };
    activate();
    for (const auto& c : cases)
    {
        setParam(Kestrum::kModeId, 0.5 < c.value ? 0.0 : 1.0); // start away from the target
        setParam(Kestrum::kModeId, c.value);
        EXPECT_EQ(processor->getFilterMode(), c.mode) << c.value;
    }
    setParam(Kestrum::kModeId, 1.0);
    setParam(Kestrum::kModeId, std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(processor->getFilterMode(), Kestrum::kModeGuitar) << "NaN selects no mode";
}

TEST_F(ProcessorTest, OnlyTheLastPointOfEachQueueCounts)
{
    activate();
    ParameterChanges changes;
    changes.add(Kestrum::kModeId, 0.0, 0);
    changes.add(Kestrum::kModeId, 1.0, 100);
    changes.add(Kestrum::kBypassId, 1.0, 0);
    changes.add(Kestrum::kBypassId, 0.5, 10);
    changes.add(99, 1.0, 0);
    std::vector<std::vector<float>> in{testSignal(64, 0), testSignal(64, 1)};
    auto out = in;
    run(in, out, 64, &changes);
    EXPECT_EQ(processor->getFilterMode(), Kestrum::kModeGuitar);
    EXPECT_FALSE(processor->isBypassed()) << "exactly 0.5 leaves bypass off";
    setParam(Kestrum::kBypassId, 0.5000001);
    EXPECT_TRUE(processor->isBypassed());
}

TEST_F(ProcessorTest, BypassPassesInputUnchangedAndLeavesWithoutATransient)
{
    activate();
    const auto coefficients = rowFor(Kestrum::kModeBassDrop, 44100);
    ReferenceChannel ref[2];
    for (int block = 0; block < 4; ++block)
    {
        const bool bypassed = block == 1 || block == 2;
        setParam(Kestrum::kBypassId, bypassed ? 1.0 : 0.0);
        const int32 n = 300;
        std::vector<std::vector<float>> in{testSignal(n, block), testSignal(n, block + 3)};
        in[0][5] = -1e-30f; // tiny samples are passed through untouched in bypass too
        const auto original = in;
        std::vector<std::vector<float>> out(2, std::vector<float>(n));
        run(in, out, n);
        EXPECT_EQ(in, original) << "the input buffer is never written";
        for (int c = 0; c < 2; ++c)
            for (int32 i = 0; i < n; ++i)
            {
                const float filtered = ref[c].step(coefficients, in[c][i]);
                ASSERT_EQ(out[c][i], bypassed ? in[c][i] : filtered)
                    << block << " " << c << " " << i;
            }
    }
}

TEST_F(ProcessorTest, InPlaceBuffersGiveTheSameOutput)
{
    activate();
    const int32 n = 128;
    std::vector<std::vector<float>> in{testSignal(n, 0), testSignal(n, 1)};
    std::vector<std::vector<float>> out(2, std::vector<float>(n));
    run(in, out, n);

    processor->setActive(false);
    processor->setActive(true);
    auto buffers = in;
    std::vector<float*> ptrs{buffers[0].data(), buffers[1].data()};
    AudioBusBuffers bus{};
    bus.numChannels = 2;
    bus.channelBuffers32 = ptrs.data();
    ProcessData data{};
    data.symbolicSampleSize = kSample32;
    data.numSamples = n;
    data.numInputs = data.numOutputs = 1;
    data.inputs = data.outputs = &bus;
    ASSERT_EQ(processor->process(data), kResultOk);
    EXPECT_EQ(buffers, out);
}

TEST_F(ProcessorTest, MismatchedAndBrokenBuffersAreHandledSafely)
{
    SpeakerArrangement in = SpeakerArr::kMono, out = SpeakerArr::kStereo;
    ASSERT_EQ(processor->setBusArrangements(&in, 1, &out, 1), kResultOk);
    activate();
    for (double bypass : {0.0, 1.0})
    {
        setParam(Kestrum::kBypassId, bypass);
        std::vector<std::vector<float>> monoIn{testSignal(32, 0)};
        std::vector<std::vector<float>> stereoOut(2, std::vector<float>(32, 7.0f));
        run(monoIn, stereoOut, 32);
        EXPECT_EQ(stereoOut[1], std::vector<float>(32, 0.0f))
            << "an output without input is silent";
        EXPECT_NE(stereoOut[0], std::vector<float>(32, 7.0f));
    }

    // Six inputs into two outputs: only the two channels both buses have.
    SpeakerArrangement six = SpeakerArr::k51, two = SpeakerArr::kStereo;
    ASSERT_EQ(processor->setBusArrangements(&six, 1, &two, 1), kResultOk);
    processor->setActive(false);
    activate();
    setParam(Kestrum::kBypassId, 1.0);
    std::vector<std::vector<float>> sixIn;
    for (int c = 0; c < 6; ++c)
        sixIn.push_back(testSignal(16, c));
    std::vector<std::vector<float>> twoOut(2, std::vector<float>(16));
    run(sixIn, twoOut, 16);
    EXPECT_EQ(twoOut[0], sixIn[0]);
    EXPECT_EQ(twoOut[1], sixIn[1]);

    // Null channel buffers, null bus arrays, empty and negative block sizes.
    float sample = 1.0f;
    float* nullChannels[2] = {nullptr, nullptr};
    float* oneChannel[2] = {&sample, nullptr};
    AudioBusBuffers a{}, b{};
    a.numChannels = b.numChannels = 2;
    a.channelBuffers32 = nullChannels;
    b.channelBuffers32 = oneChannel;
    ProcessData data{};
    data.symbolicSampleSize = kSample32;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &a;
    data.outputs = &b;
    for (int32 n : {1, 0, -5})
    {
        data.numSamples = n;
        EXPECT_EQ(processor->process(data), kResultOk);
    }
    data.numSamples = 1;
    data.inputs = nullptr;
    EXPECT_EQ(processor->process(data), kResultOk);
    a.channelBuffers32 = nullptr;
    data.inputs = &a;
    EXPECT_EQ(processor->process(data), kResultOk);
    b.channelBuffers32 = nullptr;
    EXPECT_EQ(processor->process(data), kResultOk);
}

TEST_F(ProcessorTest, ParameterChangesApplyWithoutAudioBuses)
{
    activate();
    ParameterChanges changes;
    changes.add(Kestrum::kModeId, 0.0);
    changes.add(Kestrum::kBypassId, 1.0);
    ProcessData data{};
    data.symbolicSampleSize = kSample32;
    data.numSamples = 64;
    data.inputParameterChanges = &changes;
    ASSERT_EQ(processor->process(data), kResultOk);
    EXPECT_EQ(processor->getFilterMode(), Kestrum::kModeSuperLow);
    EXPECT_TRUE(processor->isBypassed());
}

TEST_F(ProcessorTest, ANaNSampleDoesNotSilenceTheChannel)
{
    activate();
    const int32 n = 64;
    std::vector<std::vector<float>> in{testSignal(n, 0), testSignal(n, 1)};
    in[0][3] = std::numeric_limits<float>::quiet_NaN();
    std::vector<std::vector<float>> out(2, std::vector<float>(n));
    run(in, out, n);
    EXPECT_TRUE(std::isnan(out[0][3]));
    EXPECT_FALSE(std::isnan(out[1][3])) << "channels are independent";

    in[0] = testSignal(n, 0);
    run(in, out, n);
    for (float v : out[0])
        ASSERT_TRUE(std::isfinite(v)) << "the channel recovers in the next block";
}

TEST_F(ProcessorTest, StateIsEightNativeBytes)
{
    EXPECT_EQ(stateBytes(), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 0x3F}));

    const struct
    {
        std::vector<uint8_t> stream;
        bool bypass;
        float mode;
        FilterMode filterMode;
    } cases[] = {
        {{1, 0, 0, 0, 0, 0, 0x80, 0x3F}, true, 1.0f, Kestrum::kModeGuitar},
        {{2, 0, 0, 0, 0, 0, 0, 0}, true, 0.0f, Kestrum::kModeSuperLow},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x3F}, false, 0.5f, Kestrum::kModeBassDrop},
        {{0, 0, 0, 0, 0, 0, 0x80, 0x3F, 0xAA, 0xBB}, false, 1.0f, Kestrum::kModeGuitar},
    };
    activate();
    for (const auto& c : cases)
    {
        TestStream stream(c.stream);
        ASSERT_EQ(processor->setState(&stream), kResultOk);
        EXPECT_EQ(processor->isBypassed(), c.bypass);
        EXPECT_EQ(processor->getModeValue(), c.mode);
        setParam(999, 0.0); // one block: the restored mode reaches the filter
        EXPECT_EQ(processor->getFilterMode(), c.filterMode);
        EXPECT_EQ(stateBytes(), bytes(c.bypass ? 1 : 0, c.mode));
    }
}

TEST_F(ProcessorTest, FailedOrShortStateReadsChangeNothing)
{
    const auto before = stateBytes();
    TestStream failsSecond(bytes(1, 1.0f));
    failsSecond.failReadAfter = 1;
    TestStream failsFirst(bytes(1, 1.0f));
    failsFirst.failReadAfter = 0;
    TestStream shortStream({1, 0, 0, 0, 0, 0});
    TestStream empty;
    for (TestStream* stream : {&failsSecond, &failsFirst, &shortStream, &empty})
    {
        EXPECT_EQ(processor->setState(stream), kResultFalse);
        EXPECT_EQ(stateBytes(), before);
    }
    EXPECT_EQ(processor->setState(nullptr), kInvalidArgument);
    EXPECT_EQ(processor->getState(nullptr), kInvalidArgument);

    TestStream failingWrite;
    failingWrite.failWriteAfter = 1;
    EXPECT_EQ(processor->getState(&failingWrite), kResultFalse) << "a lost write is reported";
}

TEST_F(ProcessorTest, MessagesAreAnsweredAndPrintedLiterally)
{
    EXPECT_EQ(processor->notify(nullptr), kInvalidArgument);

    auto message = owned(new HostMessage);
    message->setMessageID("BinaryMessage");
    EXPECT_EQ(processor->notify(message), kResultFalse) << "no MyData attribute";
    const char payload[] = {1, 2, 3};
    message->getAttributes()->setBinary("MyData", payload, sizeof(payload));
    EXPECT_EQ(processor->notify(message), kResultOk);

    auto text = owned(new HostMessage);
    text->setMessageID("TextMessage");
    text->getAttributes()->setString("Text", STR16("100% %s %n done"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(processor->notify(text), kResultOk);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[Kestrum] received: 100% %s %n done\n");

    auto other = owned(new HostMessage);
    other->setMessageID("Other");
    EXPECT_EQ(processor->notify(other), kResultFalse);
}

// What the controller was told goes into the saved state; what the audio
// plays still comes from the parameter queues.
TEST_F(ProcessorTest, ControllerValueMessagesChangeTheSavedStateOnly)
{
    activate();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct
    {
        const char* id;
        int64 paramId; // -1: no such attribute
        double value;
        bool hasValue; // false: no Value attribute
        tresult expected;
    } cases[] = {
        {"ControllerParameterValue", Kestrum::kModeId, 0.9, true, kResultOk},
        {"ControllerParameterValue", Kestrum::kBypassId, 0.75, true, kResultOk},
        {"ControllerParameterValue", Kestrum::kModeId, 1.5, true, kResultFalse},
        {"ControllerParameterValue", Kestrum::kModeId, -0.25, true, kResultFalse},
        {"ControllerParameterValue", Kestrum::kModeId, nan, true, kResultFalse},
        {"ControllerParameterValue", 99, 0.5, true, kResultFalse},
        {"ControllerParameterValue", Kestrum::kModeId, 0.0, false, kResultFalse},
        {"ControllerParameterValue", -1, 0.0, true, kResultFalse},
        {"ControllerParameterValue", int64{1} << 40, 0.0, true, kResultFalse},
        {"OtherParameterValue", Kestrum::kModeId, 0.0, true, kResultFalse},
    };
    for (const auto& c : cases)
    {
        auto message = owned(new HostMessage);
        message->setMessageID(c.id);
        if (c.paramId >= 0)
            message->getAttributes()->setInt("ParamID", c.paramId);
        if (c.hasValue)
            message->getAttributes()->setFloat("Value", c.value);
        EXPECT_EQ(processor->notify(message), c.expected) << c.paramId << " " << c.value;
    }
    EXPECT_EQ(stateBytes(), bytes(1, 0.9f));

    std::vector<std::vector<float>> in{testSignal(64, 0), testSignal(64, 1)};
    std::vector<std::vector<float>> out(2, std::vector<float>(64));
    run(in, out, 64);
    EXPECT_EQ(processor->getFilterMode(), Kestrum::kModeBassDrop);
    EXPECT_FALSE(processor->isBypassed());
    EXPECT_NE(out[0], in[0]);
}

TEST_F(ProcessorTest, ProcessAllocatesNothing)
{
    activate();
    ParameterChanges changes;
    changes.add(Kestrum::kModeId, 0.9);
    changes.add(Kestrum::kBypassId, 0.0);
    std::vector<std::vector<float>> in{testSignal(512, 0), testSignal(512, 1)};
    std::vector<std::vector<float>> out(2, std::vector<float>(512));
    Block block(in, out, 512, &changes);
    TestStream restored(bytes(1, 0.1f));
    processor->setState(&restored); // a pending restore is applied inside process too

    KestrumTest::AllocationCounter counter;
    for (int i = 0; i < 4; ++i)
        processor->process(block.data);
    EXPECT_EQ(counter.count(), 0u);
}

TEST_F(ProcessorTest, StateRestoredDuringProcessingReachesTheAudioThread)
{
    activate();
    std::atomic<bool> done{false};
    std::thread audio(
        [&]
        {
            std::vector<std::vector<float>> in{testSignal(64, 0), testSignal(64, 1)};
            std::vector<std::vector<float>> out(2, std::vector<float>(64));
            Block block(in, out, 64);
            while (!done.load())
                processor->process(block.data);
            processor->process(block.data);
        });
    for (int i = 0; i < 2000; ++i)
    {
        TestStream stream(bytes(i % 2, (i % 3) / 2.0f));
        processor->setState(&stream);
    }
    TestStream last(bytes(0, 0.0f));
    processor->setState(&last);
    done = true;
    audio.join();
    EXPECT_EQ(processor->getFilterMode(), Kestrum::kModeSuperLow);
    EXPECT_FALSE(processor->isBypassed());
}
