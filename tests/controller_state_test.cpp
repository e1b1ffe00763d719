#include "controllerfixture.h"

#include "module/kestrumparamids.h"
#include "support/teststreams.h"

#include <cstring>
#include <limits>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using Kestrum::kBypassId;
using Kestrum::kModeId;
using KestrumTest::TestStream;

namespace
{

using Bytes = std::vector<std::uint8_t>;

Bytes componentState(std::int32_t bypass, float mode)
{
    Bytes bytes(8);
    std::memcpy(bytes.data(), &bypass, 4);
    std::memcpy(bytes.data() + 4, &mode, 4);
    return bytes;
}

// The controller state holding `text`, its units in the given byte order.
Bytes controllerState(const std::u16string& text, bool bigEndian)
{
    Bytes bytes(257, 0);
    bytes[0] = bigEndian ? 1 : 0;
    for (size_t i = 0; i < text.size(); ++i)
    {
        bytes[1 + 2 * i + (bigEndian ? 1 : 0)] = static_cast<std::uint8_t>(text[i] & 0xFF);
        bytes[1 + 2 * i + (bigEndian ? 0 : 1)] = static_cast<std::uint8_t>(text[i] >> 8);
    }
    return bytes;
}

class ControllerStateTest : public KestrumTest::ControllerTest
{
protected:
    Bytes savedState()
    {
        TestStream out;
        EXPECT_EQ(controller->getState(&out), kResultOk);
        return out.data;
    }
};

TEST_F(ControllerStateTest, SavesTheGreetingAs257LittleEndianBytes)
{
    EXPECT_EQ(savedState(), controllerState(u"Hello World!", false));
    for (int goodWrites : {0, 1})
    {
        TestStream failing;
        failing.failWriteAfter = goodWrites;
        EXPECT_EQ(controller->getState(&failing), kResultFalse);
    }
    EXPECT_EQ(controller->getState(nullptr), kInvalidArgument);
}

TEST_F(ControllerStateTest, ReadsEitherByteOrderIntoTheSameText)
{
    const std::u16string text = u"Gr\u00fc\u00dfe \u20ac";
    for (bool bigEndian : {false, true})
    {
        TestStream in(controllerState(text, bigEndian));
        ASSERT_EQ(controller->setState(&in), kResultOk);
        EXPECT_EQ(savedState(), controllerState(text, false)) << bigEndian;
    }
    // A text filling all 128 units is cut so that it still ends in its buffer.
    TestStream full(controllerState(std::u16string(128, u'x'), false));
    ASSERT_EQ(controller->setState(&full), kResultOk);
    EXPECT_EQ(savedState(), controllerState(std::u16string(127, u'x'), false));
}

TEST_F(ControllerStateTest, FailedOrShortReadsKeepTheText)
{
    const Bytes before = savedState();
    const Bytes other = controllerState(u"other", false);
    for (int goodReads : {0, 1})
    {
        TestStream failing(other);
        failing.failReadAfter = goodReads;
        EXPECT_EQ(controller->setState(&failing), kResultFalse);
    }
    for (bool okOnShortRead : {true, false})
    {
        TestStream truncated(Bytes(other.begin(), other.begin() + 200));
        truncated.okOnShortRead = okOnShortRead;
        EXPECT_EQ(controller->setState(&truncated), kResultFalse);
    }
    EXPECT_EQ(controller->setState(nullptr), kInvalidArgument);
    EXPECT_EQ(savedState(), before);
}

TEST_F(ControllerStateTest, MirrorsTheProcessorState)
{
    const struct
    {
        std::int32_t bypass;
        float mode;
        double bypassValue, modeValue;
    } table[] = {
        {1, 1.0f, 1.0, 1.0},
        {2, 0.2f, 1.0, static_cast<double>(0.2f)},
        {0, 2.0f, 0.0, 1.0},
        {0, -1.0f, 0.0, 0.0},
        {-1, 0.5f, 0.0, 0.5}, // only a positive flag bypasses, as in the processor
        {1, std::numeric_limits<float>::quiet_NaN(), 1.0, 0.25}, // NaN keeps the mode
    };
    for (const auto& row : table)
    {
        controller->setParamNormalized(kBypassId, 0.0);
        controller->setParamNormalized(kModeId, 0.25);
        TestStream in(componentState(row.bypass, row.mode));
        ASSERT_EQ(controller->setComponentState(&in), kResultOk);
        EXPECT_EQ(controller->getParamNormalized(kBypassId), row.bypassValue) << row.bypass;
        EXPECT_EQ(controller->getParamNormalized(kModeId), row.modeValue) << row.mode;
    }
}

TEST_F(ControllerStateTest, FailedOrShortComponentReadsChangeNothing)
{
    const Bytes state = componentState(1, 0.1f);
    controller->setParamNormalized(kModeId, 0.9);
    for (int goodReads : {0, 1})
    {
        TestStream failing(state);
        failing.failReadAfter = goodReads;
        EXPECT_EQ(controller->setComponentState(&failing), kResultFalse);
    }
    for (size_t size : {2, 6})
    {
        TestStream truncated(Bytes(state.begin(), state.begin() + size));
        EXPECT_EQ(controller->setComponentState(&truncated), kResultFalse);
    }
    EXPECT_EQ(controller->setComponentState(nullptr), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(kBypassId), 0.0);
    EXPECT_EQ(controller->getParamNormalized(kModeId), 0.9);
}

} // namespace
