// The plug-in factory a clap_entry hands out: one plug-in, the one the
// definition describes.
#include "clap/clapdefinition.h"
#include "clap/clapplugin.h"

#include "clap/plugin-factory.h"

#include <cstring>

namespace Steinberg
{
namespace Vst
{
namespace
{

const ClapPluginDefinition* theDefinition = nullptr;

uint32_t pluginCount(const clap_plugin_factory_t* /*factory*/)
{
    return theDefinition ? 1 : 0;
}

const clap_plugin_descriptor_t* pluginDescriptor(const clap_plugin_factory_t* /*factory*/,
                                                 uint32_t index)
{
    return theDefinition && index == 0 ? theDefinition->descriptor : nullptr;
}

const clap_plugin_t* createPlugin(const clap_plugin_factory_t* /*factory*/, const clap_host_t* host,
                                  const char* pluginId)
{
    if (!theDefinition || !host || !pluginId ||
        std::strcmp(pluginId, theDefinition->descriptor->id) != 0 ||
        !clap_version_is_compatible(host->clap_version))
        return nullptr;
    ClapPlugin* plugin = ClapPlugin::create(*theDefinition, host);
    return plugin ? plugin->clapPlugin() : nullptr;
}

const clap_plugin_factory_t kFactory = {pluginCount, pluginDescriptor, createPlugin};

} // namespace

const clap_plugin_factory_t* clapPluginFactory(const ClapPluginDefinition& definition)
{
    theDefinition = &definition;
    return &kFactory;
}

} // namespace Vst
} // namespace Steinberg
