#include "controller/bypassparameter.h"

#include "controller/numberscan.h"

#include "pluginterfaces/base/ustring.h"

#include <cmath>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace Kestrum
{

BypassParameter::BypassParameter(int32 flags, int32 id)
    : Parameter(STR16("Bypass"), static_cast<ParamID>(id), nullptr, 0.0, 1, flags, kRootUnitId)
{
}

bool BypassParameter::setNormalized(ParamValue value)
{
    // NaN would pass the SDK's clamp and stick; it means nothing here.
    if (std::isnan(value))
        return false;
    return Parameter::setNormalized(value);
}

bool BypassParameter::fromString(const TChar* text, ParamValue& value) const
{
    return scanNumber(text, value);
}

} // namespace Kestrum
