#include "vst3/parametermessage.h"

#include "pluginterfaces/base/smartpointer.h"

#include <cstring>
#include <limits>

namespace Steinberg
{
namespace Vst
{

namespace
{

constexpr const char* kIdAttribute = "ParamID";
constexpr const char* kValueAttribute = "Value";

} // namespace

tresult sendParameterValue(const ComponentBase& sender, ParamID id, ParamValue value)
{
    IPtr<IMessage> message = owned(sender.allocateMessage());
    if (!message || !message->getAttributes())
        return kResultFalse;
    message->setMessageID(kParameterValueMessageId);
    message->getAttributes()->setInt(kIdAttribute, static_cast<int64>(id));
    message->getAttributes()->setFloat(kValueAttribute, value);
    return sender.sendMessage(message);
}

tresult readParameterValue(IMessage* message, ParamID& id, ParamValue& value)
{
    if (!message)
        return kInvalidArgument;
    const char* messageId = message->getMessageID();
    IAttributeList* attributes = message->getAttributes();
    if (!messageId || std::strcmp(messageId, kParameterValueMessageId) != 0 || !attributes)
        return kResultFalse;
    int64 readId = 0;
    double readValue = 0.0;
    if (attributes->getInt(kIdAttribute, readId) != kResultOk ||
        attributes->getFloat(kValueAttribute, readValue) != kResultOk || readId < 0 ||
        readId > static_cast<int64>(std::numeric_limits<ParamID>::max()))
        return kResultFalse;
    id = static_cast<ParamID>(readId);
    value = readValue;
    return kResultOk;
}

} // namespace Vst
} // namespace Steinberg
