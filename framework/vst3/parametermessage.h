// A parameter value that the host set through the edit controller, sent to
// the processor over the connection the host made. A host may ask for the
// processor's state before the value reaches the processor through its
// parameter queues (a project saved straight after an edit with the
// transport stopped); with this message the saved state already carries it.
// The processor still takes the values it plays from the queues.
#pragma once

#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/vsttypes.h"
#include "public.sdk/source/vst/vstcomponentbase.h"

namespace Steinberg
{
namespace Vst
{

// Its own ID, apart from "TextMessage" and "BinaryMessage".
constexpr const char* kParameterValueMessageId = "ControllerParameterValue";

// kResultFalse when there is no host to make the message or no peer.
tresult sendParameterValue(const ComponentBase& sender, ParamID id, ParamValue value);

// kResultOk with `id` and `value` set for a parameter value message that has
// both; kInvalidArgument for a null message; kResultFalse for any other
// message, leaving `id` and `value` as they were.
tresult readParameterValue(IMessage* message, ParamID& id, ParamValue& value);

} // namespace Vst
} // namespace Steinberg
