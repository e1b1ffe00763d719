#include "controller/modeparameter.h"

#include "controller/numberscan.h"
#include "processor/filtermode.h"

#include "pluginterfaces/base/ustring.h"

#include <cmath>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace Kestrum
{

namespace
{

const char* labelForMode(FilterMode mode)
{
    switch (mode)
    {
    case kModeSuperLow:
        return "super low";
    case kModeBassDrop:
        return "bass drop";
    case kModeGuitar:
        return "guitar";
    }
    return "";
}

} // namespace

// A fresh instance is "bass drop", and a host's reset returns to it.
ModeParameter::ModeParameter(int32 flags, int32 id)
    : NumericParameter(STR16("Mode"), static_cast<ParamID>(id), nullptr, 0.5, 0, flags, kRootUnitId)
{
}

void ModeParameter::toString(ParamValue value, String128 text) const
{
    if (!text)
        return;
    FilterMode mode = kModeBassDrop;
    // NaN selects no mode and gets an empty text.
    const char* label = modeForValue(value, mode) ? labelForMode(mode) : "";
    UString(text, str16BufferSize(String128)).fromAscii(label);
}

bool ModeParameter::fromString(const TChar* text, ParamValue& value) const
{
    double number = 0.0;
    if (!scanNumber(text, number))
        return false;
    const float third = narrowToFloat(number) / 3.0f;
    // Beyond the float range there is no mode value to give.
    if (!std::isfinite(third))
        return false;
    value = static_cast<ParamValue>(third);
    return true;
}

} // namespace Kestrum
