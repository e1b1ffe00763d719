// The module's factory definition: the maker's details and the two classes a
// host can create, processor first.
#include "controller/kestrumcontroller.h"
#include "module/kestrumcids.h"
#include "module/version.h"
#include "processor/kestrum.h"
#include "vst3/moduleentry.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/vsttypes.h"

namespace Steinberg
{
namespace
{

PClassInfo2 makeClassInfo(const FUID& cid, const char8* category, const char8* name,
                          int32 classFlags, const char8* subCategories)
{
    TUID bytes;
    cid.toTUID(bytes);
    return PClassInfo2(bytes, PClassInfo::kManyInstances, category, name, classFlags, subCategories,
                       nullptr, Kestrum::kVersionString, kVstVersionString);
}

} // namespace

const PFactoryInfo& pluginFactoryInfo()
{
    static const PFactoryInfo info(Kestrum::kVendorName, Kestrum::kVendorUrl, Kestrum::kVendorEmail,
                                   PFactoryInfo::kUnicode);
    return info;
}

void registerPluginClasses(CPluginFactory& factory)
{
    // Processor and controller may run on different machines.
    static const PClassInfo2 processorClass =
        makeClassInfo(Kestrum::KestrumProcessorUID, kVstAudioEffectClass, "Tavrek Kestrum VST3",
                      Vst::kDistributable, "Fx");
    static const PClassInfo2 controllerClass =
        makeClassInfo(Kestrum::KestrumControllerUID, kVstComponentControllerClass,
                      "Tavrek Kestrum VST3Controller", 0, "");

    factory.registerClass(&processorClass, Kestrum::Kestrum::createInstance);
    factory.registerClass(&controllerClass, Kestrum::KestrumController::createInstance);
}

} // namespace Steinberg
