// An LV2 effect over a VST 3 audio processor: the plug-in's own processor
// object runs unchanged, the adapter translates ports into its buses and
// control port changes into parameter changes at the start of a block.
// Everything is allocated in create(); run() allocates nothing.
#pragma once

#include "lv2/lv2ports.h"
#include "vst3/parameterchanges.h"

#include "public.sdk/source/vst/hosting/hostclasses.h"

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"

#include <lv2/core/lv2.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace Steinberg
{
namespace Vst
{

class Lv2Effect
{
public:
    using Creator = FUnknown* (*)(void* context);
    static constexpr int32 kDefaultMaxBlock = 4096;

    // Null when the processor cannot be made or refuses the rate or the
    // layout's channel counts.
    static std::unique_ptr<Lv2Effect> create(Creator creator, Lv2PortLayout layout,
                                             double sampleRate, int32 maxBlock);
    ~Lv2Effect();
    Lv2Effect(const Lv2Effect&) = delete;
    Lv2Effect& operator=(const Lv2Effect&) = delete;

    void connectPort(std::uint32_t port, void* data);
    bool activate();
    void deactivate();
    void run(std::uint32_t frames);

    // The host's largest block from its options (LV2 buf-size), or
    // kDefaultMaxBlock when it gives none.
    static int32 maxBlockFromFeatures(const LV2_Feature* const* features);

    // The plain LV2 entry points, for a plug-in's LV2_Descriptor.
    static void connectPortCallback(LV2_Handle handle, std::uint32_t port, void* data);
    static void activateCallback(LV2_Handle handle);
    static void runCallback(LV2_Handle handle, std::uint32_t frames);
    static void deactivateCallback(LV2_Handle handle);
    static void cleanupCallback(LV2_Handle handle);

private:
    explicit Lv2Effect(Lv2PortLayout layout);
    bool init(Creator creator, double sampleRate, int32 maxBlock);
    void collectParameterChanges();
    void processSlice(std::uint32_t offset, int32 frames);

    Lv2PortLayout layout;
    HostApplication hostContext;
    IPtr<IComponent> component;
    IPtr<IAudioProcessor> processor;
    bool initialized = false;
    bool active = false;
    int32 maxBlock = kDefaultMaxBlock;

    // Port buffers by port index, as the host connected them.
    std::vector<float*> portData;
    // The control values last handed to the processor; NaN before the first.
    std::vector<float> sentValues;
    // The bus channels of the current slice.
    std::vector<float*> inputChannels;
    std::vector<float*> outputChannels;
    AudioBusBuffers inputBus{};
    AudioBusBuffers outputBus{};
    ParameterChanges inputChanges;
    ProcessData processData{};
};

} // namespace Vst
} // namespace Steinberg
