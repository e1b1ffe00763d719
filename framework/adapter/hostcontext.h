// The host context a format adapter initialises the VST 3 objects with: it
// makes the messages processor and controller exchange, and names the host
// of the other format.
#pragma once

#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <string>

namespace Steinberg
{
namespace Vst
{

class AdapterHostContext final : public HostApplication
{
public:
    explicit AdapterHostContext(std::string hostName);

    tresult PLUGIN_API getName(String128 name) SMTG_OVERRIDE;

private:
    std::string hostName;
};

} // namespace Vst
} // namespace Steinberg
