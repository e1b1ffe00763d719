#include "controllerfixture.h"

#include "vst3/textmessage.h"

#include "pluginterfaces/vst/ivstmessage.h"

#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;
using KestrumTest::ControllerTest;

namespace
{

// A message that a careless peer might send: no attribute list at all.
struct MessageWithoutAttributes : IMessage
{
    const char* PLUGIN_API getMessageID() override { return "TextMessage"; }
    void PLUGIN_API setMessageID(const char*) override {}
    IAttributeList* PLUGIN_API getAttributes() override { return nullptr; }
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override
    {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
};

class ControllerMessageTest : public ControllerTest
{
protected:
    // Sends a message and returns what the controller printed.
    std::string send(const char* id, const std::u16string* text, tresult expected)
    {
        IPtr<HostMessage> message = owned(new HostMessage);
        message->setMessageID(id);
        if (text)
            message->getAttributes()->setString("Text", text->c_str());
        FUnknownPtr<IConnectionPoint> point(object.get());
        testing::internal::CaptureStderr();
        EXPECT_EQ(point->notify(message), expected);
        return testing::internal::GetCapturedStderr();
    }
};

TEST_F(ControllerMessageTest, PrintsTextMessagesAsOneLiteralLine)
{
    const std::string prefix = "[KestrumController] received: ";
    const struct
    {
        std::u16string text;
        std::string printed;
    } table[] = {
        {u"abc", "abc"},
        {u"%s%n%d", "%s%n%d"},
        {u"caf\u00e9 \u20ac \U0001F600", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {u"a\xD800z", "a\xEF\xBF\xBDz"}, // a lone surrogate does not stop the line
        {std::u16string(300, u'x'), std::string(255, 'x')},
    };
    for (const auto& row : table)
        EXPECT_EQ(send("TextMessage", &row.text, kResultOk), prefix + row.printed + "\n");
}

TEST_F(ControllerMessageTest, RefusesOtherMessagesSilently)
{
    const std::u16string text = u"abc";
    EXPECT_EQ(send("BinaryMessage", &text, kResultFalse), "");
    EXPECT_EQ(send("TextMessage", nullptr, kResultFalse), "");

    FUnknownPtr<IConnectionPoint> point(object.get());
    MessageWithoutAttributes bare;
    EXPECT_EQ(point->notify(&bare), kResultFalse);
    EXPECT_EQ(point->notify(nullptr), kInvalidArgument);
}

TEST(Utf8Text, StopsAtTheLimitAndMendsBrokenPairs)
{
    const std::u16string smiley = u"\U0001F600", reversed = u"\xDC00\xD800";
    EXPECT_EQ(Steinberg::Vst::utf8FromUtf16(smiley.c_str(), 1),
              "\xEF\xBF\xBD"); // pair cut by the limit
    EXPECT_EQ(Steinberg::Vst::utf8FromUtf16(reversed.c_str(), 8), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(Steinberg::Vst::utf8FromUtf16(u"\u07FF\u0800", 8), "\xDF\xBF\xE0\xA0\x80");
    EXPECT_EQ(Steinberg::Vst::utf8FromUtf16(nullptr, 4), "");
}

TEST(Utf8Text, ConvertsToUtf16WithoutSplittingPairsOrTrustingBadBytes)
{
    const std::u16string bad = u"\uFFFD";
    const struct
    {
        const char* utf8;
        std::size_t limit;
        std::u16string utf16;
    } table[] = {
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", 255, u"caf\u00e9 \u20ac \U0001F600"},
        {"ab\xF0\x9F\x98\x80", 3, u"ab"},                 // the pair would pass the limit
        {"\xC0\xAF", 255, bad + bad},                     // overlong
        {"\xED\xA0\x80", 255, bad + bad + bad},           // an encoded surrogate
        {"\xF4\x90\x80\x80", 255, bad + bad + bad + bad}, // past U+10FFFF
        {"a\xE2\x82", 255, u"a" + bad + bad},             // cut short by the end
        {"\xF8z", 255, bad + u"z"},
        {nullptr, 255, u""},
    };
    for (const auto& row : table)
        EXPECT_EQ(Steinberg::Vst::utf16FromUtf8(row.utf8, row.limit), row.utf16)
            << (row.utf8 ? row.utf8 : "null");
}

} // namespace
