#include "processor/kestrum.h"

#include "module/kestrumcids.h"
#include "module/kestrumparamids.h"
#include "processor/filtermode.h"
#include "vst3/parametermessage.h"
#include "vst3/textmessage.h"

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/base/ustring.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace Kestrum
{

namespace
{

// A stream read only counts when it delivered every byte asked for: a short
// read is a truncated state, not a value.
bool readExactly(IBStream& stream, void* buffer, int32 size)
{
    int32 bytesRead = 0;
    return stream.read(buffer, size, &bytesRead) == kResultOk && bytesRead == size;
}

bool writeExactly(IBStream& stream, void* buffer, int32 size)
{
    int32 bytesWritten = 0;
    return stream.write(buffer, size, &bytesWritten) == kResultOk && bytesWritten == size;
}

// Whole hertz, or 0 (which the filter ignores) for a rate no integer can hold.
int32 wholeHertz(double rate)
{
    if (!(rate >= 1.0 && rate < 2147483648.0))
        return 0;
    return static_cast<int32>(rate);
}

void fillZeros(float* buffer, int32 numSamples)
{
    if (buffer)
        std::fill(buffer, buffer + numSamples, 0.0f);
}

} // namespace

Kestrum::Kestrum()
{
    setControllerClass(KestrumControllerUID);
}

FUnknown* Kestrum::createInstance(void* /*context*/)
{
    auto* processor = new (std::nothrow) Kestrum;
    return processor ? static_cast<IAudioProcessor*>(processor) : nullptr;
}

tresult PLUGIN_API Kestrum::initialize(FUnknown* context)
{
    const tresult result = AudioEffect::initialize(context);
    if (result != kResultOk)
        return result;

    addAudioInput(STR16("Stereo In"), SpeakerArr::kStereo);
    addAudioOutput(STR16("Stereo Out"), SpeakerArr::kStereo);

    updateSampleRate();
    filter.setup(2);
    filter.setSampleRate(sampleRateHz);
    return kResultOk;
}

tresult PLUGIN_API Kestrum::terminate()
{
    return AudioEffect::terminate();
}

tresult PLUGIN_API Kestrum::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                               SpeakerArrangement* outputs, int32 numOuts)
{
    if (numIns != 1 || numOuts != 1 || !inputs || !outputs)
        return kResultFalse;
    if (!getAudioInput(0))
        return kResultFalse;

    const int32 numInChannels = SpeakerArr::getChannelCount(inputs[0]);
    const int32 numOutChannels = SpeakerArr::getChannelCount(outputs[0]);
    if (!filter.setup(numInChannels))
        return kResultFalse;

    char name[32];
    std::snprintf(name, sizeof(name), "%d Ch In", static_cast<int>(numInChannels));
    const UString128 inName(name);
    std::snprintf(name, sizeof(name), "%d Ch Out", static_cast<int>(numOutChannels));
    const UString128 outName(name);

    removeAudioBusses();
    addAudioInput(inName, inputs[0]);
    addAudioOutput(outName, outputs[0]);
    return kResultOk;
}

tresult PLUGIN_API Kestrum::setupProcessing(ProcessSetup& setup)
{
    // A rate the filter cannot run at is refused here rather than silently
    // leaving the previous coefficients in force.
    if (!std::isfinite(setup.sampleRate) || setup.sampleRate <= 0.0 || setup.maxSamplesPerBlock < 0)
        return kInvalidArgument;
    return AudioEffect::setupProcessing(setup);
}

tresult PLUGIN_API Kestrum::setActive(TBool state)
{
    // Not the SDK's sendTextMessage: its converter is shared by all instances.
    sendUtf8TextMessage(*this, state ? "Kestrum::setActive (true)" : "Kestrum::setActive (false)");
    updateSampleRate();
    if (state)
    {
        SpeakerArrangement arrangement = SpeakerArr::kEmpty;
        if (getBusArrangement(kOutput, 0, arrangement) != kResultTrue)
            arrangement = SpeakerArr::kEmpty;
        filter.setup(SpeakerArr::getChannelCount(arrangement));
        filter.setSampleRate(sampleRateHz);
    }
    return AudioEffect::setActive(state);
}

void Kestrum::updateSampleRate()
{
    sampleRateHz = wholeHertz(processSetup.sampleRate);
}

void Kestrum::applyModeValue(float value)
{
    FilterMode mode = kModeBassDrop;
    if (modeForValue(value, mode))
        filter.setMode(mode);
}

void Kestrum::applyParameterChanges(IParameterChanges& changes)
{
    const int32 numQueues = changes.getParameterCount();
    for (int32 i = 0; i < numQueues; ++i)
    {
        IParamValueQueue* queue = changes.getParameterData(i);
        if (!queue)
            continue;
        const int32 numPoints = queue->getPointCount();
        if (numPoints <= 0)
            continue;
        int32 offset = 0;
        ParamValue value = 0.0;
        if (queue->getPoint(numPoints - 1, offset, value) != kResultOk)
            continue;

        switch (queue->getParameterId())
        {
        case kBypassId:
            bypass.store(value > 0.5, std::memory_order_relaxed);
            latestBypass.store(value > 0.5, std::memory_order_relaxed);
            break;
        case kModeId:
        {
            const float narrowed = narrowToFloat(value);
            modeValue.store(narrowed, std::memory_order_relaxed);
            latestModeValue.store(narrowed, std::memory_order_relaxed);
            applyModeValue(narrowed);
            break;
        }
        default:
            break;
        }
    }
}

tresult PLUGIN_API Kestrum::process(ProcessData& data)
{
    // A plain load first: the exchange, a locked instruction, only when a
    // restored state is waiting.
    if (restoredModePending.load(std::memory_order_relaxed) &&
        restoredModePending.exchange(false, std::memory_order_acquire))
        applyModeValue(modeValue.load(std::memory_order_relaxed));
    if (data.inputParameterChanges)
        applyParameterChanges(*data.inputParameterChanges);
    if (data.numInputs > 0 && data.numOutputs > 0 && data.inputs && data.outputs &&
        data.numSamples > 0 && data.symbolicSampleSize == kSample32)
        processAudio(data);
    return kResultOk;
}

void Kestrum::processAudio(ProcessData& data)
{
    AudioBusBuffers& in = data.inputs[0];
    AudioBusBuffers& out = data.outputs[0];
    if (!out.channelBuffers32 || out.numChannels <= 0)
        return;
    const int32 numSamples = data.numSamples;
    const int32 numInChannels = in.channelBuffers32 ? std::max<int32>(in.numChannels, 0) : 0;

    // Channels that both buses and the filter have, up to the first missing
    // buffer; every other output channel gets silence.
    int32 numChannels = std::min({filter.getChannelCount(), numInChannels, out.numChannels});
    for (int32 c = 0; c < numChannels; ++c)
    {
        if (!in.channelBuffers32[c] || !out.channelBuffers32[c])
        {
            numChannels = c;
            break;
        }
    }

    if (bypass.load(std::memory_order_relaxed))
    {
        // Keep the filter listening so that leaving bypass starts without a
        // transient; the output is the input, bit for bit.
        filter.advance(in.channelBuffers32, numSamples, numChannels);
        for (int32 c = 0; c < numChannels; ++c)
        {
            if (in.channelBuffers32[c] != out.channelBuffers32[c])
                std::memcpy(out.channelBuffers32[c], in.channelBuffers32[c],
                            sizeof(float) * static_cast<size_t>(numSamples));
        }
        out.silenceFlags = in.silenceFlags;
    }
    else
    {
        filter.processBlock(in.channelBuffers32, out.channelBuffers32, numSamples, numChannels);
        out.silenceFlags = 0;
    }
    for (int32 c = numChannels; c < out.numChannels; ++c)
        fillZeros(out.channelBuffers32[c], numSamples);
}

tresult PLUGIN_API Kestrum::setState(IBStream* state)
{
    if (!state)
        return kInvalidArgument;
    int32 savedBypass = 0;
    float savedMode = 0.0f;
    if (!readExactly(*state, &savedBypass, sizeof(savedBypass)))
        return kResultFalse;
    if (!readExactly(*state, &savedMode, sizeof(savedMode)))
        return kResultFalse;

    bypass.store(savedBypass > 0, std::memory_order_relaxed);
    modeValue.store(savedMode, std::memory_order_relaxed);
    latestBypass.store(savedBypass > 0, std::memory_order_relaxed);
    latestModeValue.store(savedMode, std::memory_order_relaxed);
    restoredModePending.store(true, std::memory_order_release);
    return kResultOk;
}

tresult PLUGIN_API Kestrum::getState(IBStream* state)
{
    if (!state)
        return kInvalidArgument;
    int32 savedBypass = latestBypass.load(std::memory_order_relaxed) ? 1 : 0;
    float savedMode = latestModeValue.load(std::memory_order_relaxed);
    // A failed write is reported: the host would otherwise store a truncated
    // state and lose the settings without notice.
    if (!writeExactly(*state, &savedBypass, sizeof(savedBypass)) ||
        !writeExactly(*state, &savedMode, sizeof(savedMode)))
        return kResultFalse;
    return kResultOk;
}

tresult PLUGIN_API Kestrum::notify(IMessage* message)
{
    if (!message)
        return kInvalidArgument;
    ParamID paramId = 0;
    ParamValue paramValue = 0.0;
    if (readParameterValue(message, paramId, paramValue) == kResultOk)
        return takeControllerValue(paramId, paramValue);
    const char* id = message->getMessageID();
    IAttributeList* attributes = message->getAttributes();
    if (id && attributes && std::strcmp(id, "BinaryMessage") == 0)
    {
        const void* data = nullptr;
        uint32 size = 0;
        if (attributes->getBinary("MyData", data, size) == kResultOk)
            return kResultOk;
    }
    std::string text;
    const tresult result = readTextMessage(message, text);
    return result == kResultOk ? receiveText(text.c_str()) : result;
}

// Main thread: only what getState saves. The audio thread gets the same
// value through its parameter queues.
tresult Kestrum::takeControllerValue(ParamID id, ParamValue value)
{
    if (!(value >= 0.0 && value <= 1.0))
        return kResultFalse;
    switch (id)
    {
    case kBypassId:
        latestBypass.store(value > 0.5, std::memory_order_relaxed);
        return kResultOk;
    case kModeId:
        latestModeValue.store(static_cast<float>(value), std::memory_order_relaxed);
        return kResultOk;
    default:
        return kResultFalse;
    }
}

tresult Kestrum::receiveText(const char* text)
{
    // One write per line, so that lines of several instances never interleave.
    std::string line = "[Kestrum] received: ";
    line += text ? text : "";
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    return kResultOk;
}

} // namespace Kestrum
