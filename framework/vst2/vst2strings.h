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

// Buffer sizes, terminator included, for the texts handed to a host. The
// VST 2.4 header documents 8 bytes for parameter texts, but current hosts
// pass far larger buffers and the Linux plug-in frameworks write up to these
// sizes; keeping to 8 would cut "bass drop" to "bass dr".
constexpr std::size_t kParamDisplayCapacity = 24;
constexpr std::size_t kParamNameCapacity = 16;
constexpr std::size_t kParamLabelCapacity = 8;
constexpr std::size_t kEffectNameCapacity = 32;
constexpr std::size_t kVendorCapacity = 64;
constexpr std::size_t kProductCapacity = 64;

// Copies text into a host buffer of `capacity` bytes, terminator included.
// Longer text is cut, never inside a multi-byte character. Does nothing
// without a buffer.
void copyTruncated(const std::string& text, char* dest, std::size_t capacity);

} // namespace Vst
} // namespace Steinberg
