#include "lv2/lv2effect.h"

#include "pluginterfaces/vst/vstspeaker.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace Steinberg
{
namespace Vst
{
namespace
{

SpeakerArrangement arrangementFor(size_t channels)
{
    switch (channels)
    {
    case 1:
        return SpeakerArr::kMono;
    case 2:
        return SpeakerArr::kStereo;
    default:
        return channels < 64 ? (SpeakerArrangement{1} << channels) - 1 : SpeakerArr::kEmpty;
    }
}

const void* findFeature(const LV2_Feature* const* features, const char* uri)
{
    for (int i = 0; features && features[i]; ++i)
        if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0)
            return features[i]->data;
    return nullptr;
}

Lv2Effect* effectOf(LV2_Handle handle)
{
    return static_cast<Lv2Effect*>(handle);
}

} // namespace

std::unique_ptr<Lv2Effect> Lv2Effect::create(Creator creator, Lv2PortLayout layout,
                                             double sampleRate, int32 maxBlock)
{
    if (!creator || !std::isfinite(sampleRate) || sampleRate <= 0.0 || maxBlock <= 0)
        return nullptr;
    std::unique_ptr<Lv2Effect> effect(new (std::nothrow) Lv2Effect(std::move(layout)));
    if (!effect || !effect->init(creator, sampleRate, maxBlock))
        return nullptr;
    return effect;
}

Lv2Effect::Lv2Effect(Lv2PortLayout portLayout)
    : layout(std::move(portLayout)), hostContext(),
      inputChanges(static_cast<int32>(layout.controls.size()) + 1, 1)
{
    portData.assign(layout.portCount(), nullptr);
    sentValues.assign(layout.controls.size(), std::numeric_limits<float>::quiet_NaN());
    inputChannels.assign(layout.audioInputs.size(), nullptr);
    outputChannels.assign(layout.audioOutputs.size(), nullptr);
}

Lv2Effect::~Lv2Effect()
{
    deactivate();
    if (component && initialized)
        component->terminate();
    processor = nullptr;
    component = nullptr;
}

bool Lv2Effect::init(Creator creator, double sampleRate, int32 blockSize)
{
    FUnknown* made = creator(nullptr);
    if (!made)
        return false;
    // The creator hands over its one reference.
    IPtr<FUnknown> instance = owned(made);
    component = FUnknownPtr<IComponent>(instance);
    processor = FUnknownPtr<IAudioProcessor>(instance);
    if (!component || !processor || component->initialize(&hostContext) != kResultOk)
        return false;
    initialized = true;

    SpeakerArrangement input = arrangementFor(layout.audioInputs.size());
    SpeakerArrangement output = arrangementFor(layout.audioOutputs.size());
    if (processor->setBusArrangements(&input, 1, &output, 1) != kResultOk)
        return false;
    component->activateBus(kAudio, kInput, 0, true);
    component->activateBus(kAudio, kOutput, 0, true);

    maxBlock = blockSize;
    ProcessSetup setup{kRealtime, kSample32, maxBlock, sampleRate};
    if (processor->setupProcessing(setup) != kResultOk)
        return false;

    inputBus.numChannels = static_cast<int32>(inputChannels.size());
    inputBus.channelBuffers32 = inputChannels.data();
    outputBus.numChannels = static_cast<int32>(outputChannels.size());
    outputBus.channelBuffers32 = outputChannels.data();
    processData.processMode = kRealtime;
    processData.symbolicSampleSize = kSample32;
    processData.numInputs = inputChannels.empty() ? 0 : 1;
    processData.inputs = inputChannels.empty() ? nullptr : &inputBus;
    processData.numOutputs = 1;
    processData.outputs = &outputBus;
    processData.inputParameterChanges = &inputChanges;
    return true;
}

int32 Lv2Effect::maxBlockFromFeatures(const LV2_Feature* const* features)
{
    const auto* map = static_cast<const LV2_URID_Map*>(findFeature(features, LV2_URID__map));
    const auto* options =
        static_cast<const LV2_Options_Option*>(findFeature(features, LV2_OPTIONS__options));
    if (!map || !options)
        return kDefaultMaxBlock;
    const LV2_URID maxLength = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
    const LV2_URID intType = map->map(map->handle, LV2_ATOM__Int);
    for (const LV2_Options_Option* o = options; o->key != 0; ++o)
    {
        if (o->key == maxLength && o->type == intType && o->size == sizeof(int32_t) && o->value)
        {
            int32_t value = 0;
            std::memcpy(&value, o->value, sizeof(value));
            if (value > 0)
                return value;
        }
    }
    return kDefaultMaxBlock;
}

void Lv2Effect::connectPort(std::uint32_t port, void* data)
{
    if (port < portData.size())
        portData[port] = static_cast<float*>(data);
}

bool Lv2Effect::activate()
{
    if (active)
        return true;
    if (component->setActive(true) != kResultOk)
        return false;
    processor->setProcessing(true);
    active = true;
    return true;
}

void Lv2Effect::deactivate()
{
    if (!active)
        return;
    processor->setProcessing(false);
    component->setActive(false);
    active = false;
}

void Lv2Effect::collectParameterChanges()
{
    inputChanges.clear();
    for (size_t i = 0; i < layout.controls.size(); ++i)
    {
        const Lv2ControlPort& port = layout.controls[i];
        const float* value = portData[port.index];
        // An unchanged value is not sent again; NaN never equals, so the
        // first block sends every port.
        if (!value || *value == sentValues[i])
            continue;
        ParamValue normalized = 0.0;
        if (port.toNormalized(*value, normalized) && inputChanges.add(port.id, normalized))
            sentValues[i] = *value;
    }
}

void Lv2Effect::processSlice(std::uint32_t offset, int32 frames)
{
    for (size_t c = 0; c < inputChannels.size(); ++c)
    {
        float* buffer = portData[layout.audioInputs[c]];
        inputChannels[c] = buffer ? buffer + offset : nullptr;
    }
    for (size_t c = 0; c < outputChannels.size(); ++c)
    {
        float* buffer = portData[layout.audioOutputs[c]];
        outputChannels[c] = buffer ? buffer + offset : nullptr;
    }
    processData.numSamples = frames;
    processor->process(processData);
    inputChanges.clear();
}

void Lv2Effect::run(std::uint32_t frames)
{
    // An empty run delivers nothing: changed controls wait for the next one.
    if (!active || frames == 0)
        return;
    collectParameterChanges();
    // The processor was promised blocks of at most maxBlock frames.
    for (std::uint32_t offset = 0; offset < frames;)
    {
        const auto slice = static_cast<int32>(
            std::min<std::uint32_t>(frames - offset, static_cast<std::uint32_t>(maxBlock)));
        processSlice(offset, slice);
        offset += static_cast<std::uint32_t>(slice);
    }
}

void Lv2Effect::connectPortCallback(LV2_Handle handle, std::uint32_t port, void* data)
{
    effectOf(handle)->connectPort(port, data);
}

void Lv2Effect::activateCallback(LV2_Handle handle)
{
    effectOf(handle)->activate();
}

void Lv2Effect::runCallback(LV2_Handle handle, std::uint32_t frames)
{
    effectOf(handle)->run(frames);
}

void Lv2Effect::deactivateCallback(LV2_Handle handle)
{
    effectOf(handle)->deactivate();
}

void Lv2Effect::cleanupCallback(LV2_Handle handle)
{
    delete effectOf(handle);
}

} // namespace Vst
} // namespace Steinberg
