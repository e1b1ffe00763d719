#include "controllerfixture.h"

#include "controller/numberscan.h"
#include "module/kestrumparamids.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "pluginterfaces/vst/ivstunits.h"

#include <cstring>
#include <limits>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using Kestrum::kBypassId;
using Kestrum::kModeId;
using KestrumTest::ControllerTest;

namespace
{

const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST_F(ControllerTest, DescribesBothParametersInIdOrder)
{
    const ParameterInfo expected[] = {{kBypassId, u"Bypass", {}, {}, 1, 0.0, kRootUnitId, 0x10001},
                                      {kModeId, u"Mode", {}, {}, 0, 0.5, kRootUnitId, 1}};
    ASSERT_EQ(controller->getParameterCount(), 2);
    for (int32 index = 0; index < 2; ++index)
    {
        ParameterInfo info{};
        ASSERT_EQ(controller->getParameterInfo(index, info), kResultTrue);
        EXPECT_EQ(std::memcmp(&info, &expected[index], sizeof(info)), 0) << index;
    }
    EXPECT_EQ(controller->getParamNormalized(kBypassId), 0.0);
    EXPECT_EQ(controller->getParamNormalized(kModeId), 0.5);
    EXPECT_EQ(controller->normalizedParamToPlain(kModeId, 0.25), 0.25);
    // The SDK's own lookup throws past the end; a host must get a refusal.
    ParameterInfo info{};
    EXPECT_EQ(controller->getParameterInfo(2, info), kResultFalse);
    EXPECT_EQ(controller->getParameterInfo(-1, info), kResultFalse);
}

TEST_F(ControllerTest, ShowsValuesAsText)
{
    const struct
    {
        ParamID id;
        std::u16string text;
        std::vector<double> values;
    } table[] = {
        {kModeId, u"super low", {0.0, -0.5, 0.3333333432674408, 0.33333334326744085}},
        {kModeId, u"bass drop", {0.3333333730697632, 0.5, 0.6666666865348816}},
        {kModeId, u"guitar", {0.6666667461395264, 0.7, 1.0, 2.0}},
        {kModeId, u"", {kNaN}},
        {kBypassId, u"Off", {0.0, 0.5}},
        {kBypassId, u"On", {0.5000001, 1.0}},
    };
    for (const auto& row : table)
        for (double value : row.values)
            EXPECT_EQ(text(row.id, value), row.text) << value;

    String128 out{};
    EXPECT_EQ(controller->getParamStringByValue(7, 0.5, out), kResultFalse);
    EXPECT_EQ(controller->getParamStringByValue(kModeId, 0.5, nullptr), kInvalidArgument);
}

TEST_F(ControllerTest, ReadsValuesFromTextOrLeavesThemAlone)
{
    constexpr double kNone = -42.0; // refused: the output stays untouched
    const struct
    {
        ParamID id;
        std::u16string text;
        double value;
    } table[] = {
        {kModeId, u"2", 0.6666666865348816},
        {kModeId, u"3", 1.0},
        {kModeId, u"6", 2.0},
        {kModeId, u"x 2,5", 0.8333333134651184},
        {kModeId, u"guitar", kNone},
        {kModeId, u"", kNone},
        {kModeId, u"1e39", kNone}, // no float holds a third of it
        {kBypassId, u"1", 1.0},
        {kBypassId, u"On", kNone},
        {kBypassId, u"gain 0,75 dB", 0.75},
        {kBypassId, u",,5", 5.0}, // only the first comma is a point
        {kBypassId, u"--5", -5.0},
        {kBypassId, u"0x10", 0.0},     // decimal only
        {kBypassId, u"banana", kNone}, // no NaN or infinity hidden in words
        {kBypassId, u"info", kNone},
        {kBypassId, u"1e999", kNone},
        {kBypassId, u"\u00e9\u20ac7", 7.0},
        {7, u"1", kNone},
    };
    for (const auto& row : table)
    {
        std::u16string input = row.text;
        ParamValue value = kNone;
        const tresult expected = row.value == kNone ? kResultFalse : kResultTrue;
        EXPECT_EQ(controller->getParamValueByString(row.id, input.data(), value), expected);
        EXPECT_EQ(value, row.value) << std::string(row.text.begin(), row.text.end());
    }
    ParamValue value = kNone;
    EXPECT_EQ(controller->getParamValueByString(kModeId, nullptr, value), kInvalidArgument);
}

TEST(NumberScan, ReadsNoFurtherThanOneString128)
{
    std::u16string text = std::u16string(127, u'a') + u"45";
    double value = -1.0;
    ASSERT_TRUE(Kestrum::scanNumber(text.c_str(), value));
    EXPECT_EQ(value, 4.0);
    text[127] = u'a';
    EXPECT_FALSE(Kestrum::scanNumber(text.c_str(), value));
}

TEST_F(ControllerTest, KeepsItsValueForNaNAndClampsTheRest)
{
    controller->setParamNormalized(kModeId, 0.9);
    controller->setParamNormalized(kModeId, kNaN);
    controller->setParamNormalized(kBypassId, kNaN);
    EXPECT_EQ(controller->getParamNormalized(kModeId), 0.9);
    EXPECT_EQ(controller->getParamNormalized(kBypassId), 0.0);
    controller->setParamNormalized(kModeId, 1.5);
    EXPECT_EQ(controller->getParamNormalized(kModeId), 1.0);
}

TEST_F(ControllerTest, DeclaresOneUnitAndNoProgramLists)
{
    FUnknownPtr<IUnitInfo> units(controller);
    ASSERT_TRUE(units);
    ASSERT_EQ(units->getUnitCount(), 1);
    UnitInfo info{};
    const UnitInfo expected{1, kRootUnitId, u"Unit1", kNoProgramListId};
    ASSERT_EQ(units->getUnitInfo(0, info), kResultTrue);
    EXPECT_EQ(std::memcmp(&info, &expected, sizeof(info)), 0);
    EXPECT_EQ(units->getUnitInfo(1, info), kResultFalse);
    EXPECT_EQ(units->getUnitInfo(-1, info), kResultFalse);
    EXPECT_EQ(units->getProgramListCount(), 0);
    EXPECT_EQ(units->getSelectedUnit(), kRootUnitId);
}

TEST_F(ControllerTest, MapsChannelVolumeOnBusZeroToMode)
{
    FUnknownPtr<IMidiMapping> midi(controller);
    ASSERT_TRUE(midi);
    const struct
    {
        int32 bus;
        int16 channel;
        CtrlNumber number;
        ParamID id; // 99: refused and untouched
    } table[] = {{0, 0, kCtrlVolume, kModeId}, {0, 15, kCtrlVolume, kModeId},
                 {1, 0, kCtrlVolume, 99},      {-1, 0, kCtrlVolume, 99},
                 {0, 0, kCtrlModWheel, 99},    {0, 0, kPitchBend, 99}};
    for (const auto& row : table)
    {
        ParamID id = 99;
        EXPECT_EQ(midi->getMidiControllerAssignment(row.bus, row.channel, row.number, id),
                  row.id == 99 ? kResultFalse : kResultTrue);
        EXPECT_EQ(id, row.id);
    }
}

TEST_F(ControllerTest, AnswersItsInterfacesAsTheEditController)
{
    // The create function hands out the IEditController interface itself.
    EXPECT_EQ(static_cast<FUnknown*>(controller.get()), object.get());
    for (const FUID* iid : {&IEditController2::iid, &IUnitInfo::iid, &IMidiMapping::iid,
                            &IPluginBase::iid, &IConnectionPoint::iid})
    {
        FUnknown* obj = nullptr;
        EXPECT_EQ(object->queryInterface(iid->toTUID(), reinterpret_cast<void**>(&obj)), kResultOk);
        if (obj)
            obj->release();
    }
    void* obj = nullptr;
    EXPECT_EQ(object->queryInterface(IAudioProcessor::iid, &obj), kNoInterface);
}

// The editor drags vertically until the host picks a knob mode; a number
// that is no mode is refused and changes nothing.
TEST_F(ControllerTest, KeepsTheKnobModeTheHostSets)
{
    auto* kestrum = dynamic_cast<Kestrum::KestrumController*>(controller.get());
    ASSERT_TRUE(kestrum);
    FUnknownPtr<IEditController2> controller2(controller);
    ASSERT_TRUE(controller2);
    KnobMode mode = -7;
    EXPECT_FALSE(kestrum->knobModeFromHost(mode));
    for (const KnobMode bad : {KnobMode{3}, KnobMode{-1}})
        EXPECT_EQ(controller2->setKnobMode(bad), kResultFalse) << bad;
    EXPECT_FALSE(kestrum->knobModeFromHost(mode));
    EXPECT_EQ(controller2->setKnobMode(kLinearMode), kResultTrue);
    EXPECT_EQ(controller2->setKnobMode(7), kResultFalse);
    ASSERT_TRUE(kestrum->knobModeFromHost(mode));
    EXPECT_EQ(mode, kLinearMode);
}

TEST_F(ControllerTest, InitializesOnceUntilTerminated)
{
    FUnknownPtr<IUnitInfo> units(controller);
    EXPECT_EQ(controller->initialize(&host), kResultFalse);
    EXPECT_EQ(controller->getParameterCount(), 2);
    EXPECT_EQ(units->getUnitCount(), 1);

    ASSERT_EQ(controller->terminate(), kResultOk);
    EXPECT_EQ(controller->getParameterCount(), 0);
    EXPECT_EQ(controller->setParamNormalized(kModeId, 0.2), kResultFalse);

    // Without a host context the SDK alone would not notice a second call.
    ASSERT_EQ(controller->initialize(nullptr), kResultOk);
    EXPECT_EQ(controller->initialize(nullptr), kResultFalse);
    EXPECT_EQ(controller->getParameterCount(), 2);
    EXPECT_EQ(units->getUnitCount(), 1);
}

} // namespace
