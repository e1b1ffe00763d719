#include "controller/bypassparameter.h"

#include "controller/numberscan.h"

#include "pluginterfaces/base/ustring.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace Kestrum
{

BypassParameter::BypassParameter(int32 flags, int32 id)
    : NumericParameter(STR16("Bypass"), static_cast<ParamID>(id), nullptr, 0.0, 1, flags,
                       kRootUnitId)
{
}

bool BypassParameter::fromString(const TChar* text, ParamValue& value) const
{
    return scanNumber(text, value);
}

} // namespace Kestrum
