// The Mode parameter: one continuous value shown as the filter mode it
// selects ("super low", "bass drop", "guitar").
#pragma once

#include "controller/numericparameter.h"

namespace Kestrum
{

class ModeParameter : public NumericParameter
{
public:
    ModeParameter(Steinberg::int32 flags, Steinberg::int32 id);

    void toString(Steinberg::Vst::ParamValue value, Steinberg::Vst::String128 text) const override;
    // Users type the mode as a number from 0 to 3 ("2" is bass drop, "3"
    // guitar); it is stored as a third of that, unclamped.
    bool fromString(const Steinberg::Vst::TChar* text,
                    Steinberg::Vst::ParamValue& value) const override;

    OBJ_METHODS(ModeParameter, NumericParameter)
};

} // namespace Kestrum
