// The built LV2 bundle as a host sees it through liblilv: a world holding
// only that bundle (and the LV2 vocabularies), the plug-in found by its
// URI, and instances with their ports connected by symbol.
#pragma once

#include <lilv/lilv.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace KestrumTest
{

constexpr char kLv2PluginUri[] = "https://www.tavrek.example/plugins/kestrum";

class LilvTestWorld
{
public:
    explicit LilvTestWorld(const std::string& bundlePath);
    ~LilvTestWorld();
    LilvTestWorld(const LilvTestWorld&) = delete;
    LilvTestWorld& operator=(const LilvTestWorld&) = delete;

    LilvWorld* world() const { return lilvWorld; }
    // Null when the bundle does not describe the plug-in.
    const LilvPlugin* plugin() const { return lilvPlugin; }
    const LilvPort* port(const char* symbol) const;
    // The port's index, or UINT32_MAX when there is no such port.
    std::uint32_t portIndex(const char* symbol) const;
    // A node that the world frees.
    const LilvNode* uri(const char* text);

private:
    LilvWorld* lilvWorld = nullptr;
    const LilvPlugin* lilvPlugin = nullptr;
    std::vector<LilvNode*> nodes;
};

struct LilvInstanceCloser
{
    void operator()(LilvInstance* instance) const { lilv_instance_free(instance); }
};
using LilvInstancePtr = std::unique_ptr<LilvInstance, LilvInstanceCloser>;

} // namespace KestrumTest
