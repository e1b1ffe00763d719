// The component handler the CLAP adapter gives the controller: edits made
// in the plug-in's own editor go to the adapter, which hands them to the
// processor and to the host as output events.
#pragma once

#include "pluginterfaces/vst/ivsteditcontroller.h"

namespace Steinberg
{
namespace Vst
{

class ClapPlugin;
class EffectPair;

class ClapComponentHandler final : public IComponentHandler
{
public:
    ClapComponentHandler(ClapPlugin& plugin, const EffectPair& pair) : plugin(plugin), pair(pair) {}

    // Unknown parameters give kInvalidArgument and reach nobody.
    tresult PLUGIN_API beginEdit(ParamID id) SMTG_OVERRIDE;
    tresult PLUGIN_API performEdit(ParamID id, ParamValue valueNormalized) SMTG_OVERRIDE;
    tresult PLUGIN_API endEdit(ParamID id) SMTG_OVERRIDE;
    tresult PLUGIN_API restartComponent(int32 flags) SMTG_OVERRIDE;

    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) SMTG_OVERRIDE;
    // Owned by the adapter, which detaches it from the controller first.
    uint32 PLUGIN_API addRef() SMTG_OVERRIDE { return 1; }
    uint32 PLUGIN_API release() SMTG_OVERRIDE { return 1; }

private:
    ClapPlugin& plugin;
    const EffectPair& pair;
};

} // namespace Vst
} // namespace Steinberg
