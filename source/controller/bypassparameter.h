// The Bypass switch: "Off" / "On", automatable, flagged as the host's bypass.
#pragma once

#include "controller/numericparameter.h"

namespace Kestrum
{

class BypassParameter : public NumericParameter
{
public:
    BypassParameter(Steinberg::int32 flags, Steinberg::int32 id);

    // "On" and "Off" come from the SDK's switch text; typed text is read
    // with the same number scan as Mode, so "x 1" turns it on.
    bool fromString(const Steinberg::Vst::TChar* text,
                    Steinberg::Vst::ParamValue& value) const override;

    OBJ_METHODS(BypassParameter, NumericParameter)
};

} // namespace Kestrum
