#include "adapter/hostcontext.h"

#include "base/source/fstring.h"

namespace Steinberg
{
namespace Vst
{

AdapterHostContext::AdapterHostContext(std::string hostName) : hostName(std::move(hostName)) {}

tresult PLUGIN_API AdapterHostContext::getName(String128 name)
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
