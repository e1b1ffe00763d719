// Where the VST 2 editor opcodes (effEditGetRect, effEditOpen, effEditClose,
// effEditIdle) meet the plug-in's VST 3 editor view. The wrapper routes all
// four here and sets effFlagsHasEditor from hasEditor().
//
// Until the view is adapted, the effect offers no editor: hosts then show
// their own generic controls for the parameters.
#pragma once

#include "vst2/vst2abi.h"

#include "pluginterfaces/vst/ivsteditcontroller.h"

namespace Steinberg
{
namespace Vst
{

class Vst2EditorAdapter
{
public:
    explicit Vst2EditorAdapter(IEditController* /*controller*/) {}

    bool hasEditor() const { return false; }

    // The answer to one of the four editor opcodes: 0, "not handled", for
    // as long as there is no editor.
    intptr_t dispatch(int32 /*opcode*/, int32 /*index*/, intptr_t /*value*/, void* /*ptr*/,
                      float /*opt*/)
    {
        return 0;
    }
};

} // namespace Vst
} // namespace Steinberg
