// An interface of our own beside the SDK's, for formats whose hosts ask a
// running plug-in to forget what it has heard (CLAP's reset, on the audio
// thread). VST 3 has no such call: there a processor starts from silence when
// it is activated, and a processor that answers this interface still does.
#pragma once

#include "pluginterfaces/base/funknown.h"

namespace Steinberg
{
namespace Vst
{

class IAudioHistory : public FUnknown
{
public:
    // Clears every delay line and register, as after activation, and keeps
    // the parameters. Called on the audio thread between two process calls
    // of an active processor: no allocation, no lock, no message.
    virtual void PLUGIN_API clearAudioHistory() = 0;

    static const FUID iid;
};

DECLARE_CLASS_IID(IAudioHistory, 0xAD24A440, 0x5FC84BAE, 0x9C914CF0, 0x6DC9BD42)

} // namespace Vst
} // namespace Steinberg
