#include "vst2/vst2hostcontext.h"

#include "base/source/fstring.h"

namespace Steinberg
{
namespace Vst
{

Vst2HostContext::Vst2HostContext(std::string hostName) : hostName(std::move(hostName)) {}

tresult PLUGIN_API Vst2HostContext::getName(String128 name)
{
    if (!name)
        return kInvalidArgument;
    String text(hostName.c_str());
    text.toWideString(kCP_Utf8);
    text.copyTo16(name, 0, 127);
    return kResultTrue;
}

} // namespace Vst
} // namespace Steinberg
