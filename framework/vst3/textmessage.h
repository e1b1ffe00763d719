// Reading and sending the text of a "TextMessage" between connected peers.
// The SDK's own ComponentBase::notify trusts the message: it dereferences a
// missing attribute list, may read an unterminated text and stops at a lone
// surrogate. Its sendTextMessage converts through one converter object that
// all instances share, so instances activated on different threads at once
// race on it. Components read and send their messages through this instead,
// which converts on the caller's stack only.
#pragma once

#include "pluginterfaces/vst/ivstmessage.h"
#include "public.sdk/source/vst/vstcomponentbase.h"

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

// The reverse, up to maxUnits units or the first zero byte, never splitting a
// surrogate pair; each byte that starts no valid sequence becomes U+FFFD.
std::u16string utf16FromUtf8(const char* text, std::size_t maxUnits);

// Sends `utf8` (cut to kMaxTextMessageUnits) as a "TextMessage" to the
// sender's peer. kResultFalse when there is no host to make the message or
// no peer.
tresult sendUtf8TextMessage(const ComponentBase& sender, const char* utf8);

} // namespace Vst
} // namespace Steinberg
