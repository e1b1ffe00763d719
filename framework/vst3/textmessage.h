// Reading the text of a "TextMessage" from a connected peer. The SDK's own
// ComponentBase::notify trusts the message: it dereferences a missing
// attribute list, may read an unterminated text and stops at a lone
// surrogate. Components read their messages through this instead.
#pragma once

#include "pluginterfaces/vst/ivstmessage.h"

#include <cstddef>
#include <string>

namespace Steinberg
{
namespace Vst
{

// Units of text a message carries at most; longer texts are cut.
constexpr std::size_t kMaxTextMessageUnits = 255;

// The text of a "TextMessage" as UTF-8. kInvalidArgument for a null message,
// kResultFalse for another message ID, a missing attribute list or text.
tresult readTextMessage(IMessage* message, std::string& utf8);

// Converts up to maxUnits code units or up to the first zero unit, whichever
// comes first. A surrogate without its partner becomes U+FFFD instead of
// failing, so no text a peer sends can stop the conversion.
std::string utf8FromUtf16(const char16_t* text, std::size_t maxUnits);

} // namespace Vst
} // namespace Steinberg
