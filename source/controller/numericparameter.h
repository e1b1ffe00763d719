// A parameter that ignores NaN. The SDK's clamp lets NaN through, where it
// would stick and show a text the processor does not apply (the processor
// keeps its state for NaN).
#pragma once

#include "public.sdk/source/vst/vstparameters.h"

#include <cmath>

namespace Kestrum
{

class NumericParameter : public Steinberg::Vst::Parameter
{
public:
    using Parameter::Parameter;

    bool setNormalized(Steinberg::Vst::ParamValue value) override
    {
        if (std::isnan(value))
            return false;
        return Parameter::setNormalized(value);
    }

    OBJ_METHODS(NumericParameter, Parameter)
};

} // namespace Kestrum
