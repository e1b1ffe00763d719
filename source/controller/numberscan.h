// Reading a number typed by the user into a parameter's text field.
#pragma once

#include "pluginterfaces/vst/vsttypes.h"

namespace Kestrum
{

// Finds the first decimal number anywhere in a zero-terminated text, so that
// "x 2,5", "Mode 3" or "-6 dB" all yield their number. The first comma counts
// as a decimal point, since many users type one. Only finite decimal numbers
// are taken: words such as "banana" or "info" never read as NaN or infinity,
// and a number too large or too small for a double makes the whole text
// unreadable rather than silently becoming something else. At most one
// String128 worth of units is looked at. Leaves value untouched and returns
// false when no number is found.
bool scanNumber(const Steinberg::Vst::TChar* text, double& value);

} // namespace Kestrum
