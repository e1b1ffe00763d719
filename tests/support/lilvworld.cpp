#include "support/lilvworld.h"

namespace KestrumTest
{

LilvTestWorld::LilvTestWorld(const std::string& bundlePath) : lilvWorld(lilv_world_new())
{
    lilv_world_load_specifications(lilvWorld);
    lilv_world_load_plugin_classes(lilvWorld);
    LilvNode* bundle = lilv_new_file_uri(lilvWorld, nullptr, (bundlePath + "/").c_str());
    lilv_world_load_bundle(lilvWorld, bundle);
    lilv_node_free(bundle);
    lilvPlugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(lilvWorld), uri(kLv2PluginUri));
}

LilvTestWorld::~LilvTestWorld()
{
    for (LilvNode* node : nodes)
        lilv_node_free(node);
    lilv_world_free(lilvWorld);
}

const LilvNode* LilvTestWorld::uri(const char* text)
{
    nodes.push_back(lilv_new_uri(lilvWorld, text));
    return nodes.back();
}

const LilvPort* LilvTestWorld::port(const char* symbol) const
{
    if (!lilvPlugin)
        return nullptr;
    LilvNode* node = lilv_new_string(lilvWorld, symbol);
    const LilvPort* found = lilv_plugin_get_port_by_symbol(lilvPlugin, node);
    lilv_node_free(node);
    return found;
}

std::uint32_t LilvTestWorld::portIndex(const char* symbol) const
{
    const LilvPort* found = port(symbol);
    return found ? lilv_port_get_index(lilvPlugin, found) : UINT32_MAX;
}

} // namespace KestrumTest
