// Texts handed to a VST 2 host: plug-in texts come as UTF-16, hosts take
// UTF-8 into fixed buffers that they size by the VST 2.4 limits.
#pragma once

#include "pluginterfaces/base/ftypes.h"

#include <cstddef>
#include <string>

namespace Steinberg
{
namespace Vst
{

std::string toUtf8(const char16* text);

// Copies text into a host buffer of `capacity` bytes, terminator included.
// Longer text is cut, never inside a multi-byte character. Does nothing
// without a buffer.
void copyTruncated(const std::string& text, char* dest, std::size_t capacity);

} // namespace Vst
} // namespace Steinberg
