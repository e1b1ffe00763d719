// The host context the wrapper initialises the VST 3 objects with: it makes
// the messages processor and controller exchange, and names the VST 2 host.
#pragma once

#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <string>

namespace Steinberg
{
namespace Vst
{

class Vst2HostContext final : public HostApplication
{
public:
    explicit Vst2HostContext(std::string hostName);

    tresult PLUGIN_API getName(String128 name) SMTG_OVERRIDE;

private:
    std::string hostName;
};

} // namespace Vst
} // namespace Steinberg
