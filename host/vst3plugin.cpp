#include "host/vst3plugin.h"

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace KestrumHost
{
namespace
{

// The blob that saveState hands out: a tag, a layout version, then the
// processor's and the controller's streams, each behind its byte count.
constexpr std::uint8_t kBlobTag[4] = {'K', 'h', 'S', 't'};
constexpr std::uint32_t kBlobVersion = 1;

void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

bool readU32(const std::vector<std::uint8_t>& in, size_t& pos, std::uint32_t& value)
{
    if (in.size() - pos < 4)
        return false;
    value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(in[pos + static_cast<size_t>(i)]) << (8 * i);
    pos += 4;
    return true;
}

bool readBytes(const std::vector<std::uint8_t>& in, size_t& pos, std::vector<std::uint8_t>& out)
{
    std::uint32_t size = 0;
    if (!readU32(in, pos, size) || in.size() - pos < size)
        return false;
    out.assign(in.begin() + static_cast<std::ptrdiff_t>(pos),
               in.begin() + static_cast<std::ptrdiff_t>(pos + size));
    pos += size;
    return true;
}

std::string toUtf8(const char16* text, size_t maxUnits)
{
    std::string out;
    for (size_t i = 0; i < maxUnits && text[i]; ++i)
    {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < maxUnits && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
        {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        else if (code >= 0xD800 && code <= 0xDFFF)
            code = 0xFFFD;
        if (code < 0x80)
            out += static_cast<char>(code);
        else if (code < 0x800)
        {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
        else if (code < 0x10000)
        {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
        else
        {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

SpeakerArrangement arrangementFor(int numChannels)
{
    if (numChannels == 1)
        return SpeakerArr::kMono;
    if (numChannels == 2)
        return SpeakerArr::kStereo;
    return numChannels >= 64 ? ~SpeakerArrangement(0) : (SpeakerArrangement(1) << numChannels) - 1;
}

bool readStream(MemoryStream& stream, std::vector<std::uint8_t>& bytes)
{
    const TSize size = stream.getSize();
    if (size < 0 || size > INT32_MAX)
        return false;
    const auto* data = reinterpret_cast<const std::uint8_t*>(stream.getData());
    bytes.assign(data, data + size);
    return true;
}

} // namespace

Vst3Plugin::Vst3Plugin(std::shared_ptr<Vst3Module> module) : modulePtr(std::move(module)) {}

std::unique_ptr<Vst3Plugin> Vst3Plugin::open(const std::string& path, std::string& error)
{
    auto module = Vst3Module::load(path, error);
    if (!module)
        return nullptr;
    return create(std::move(module), error);
}

std::unique_ptr<Vst3Plugin> Vst3Plugin::create(std::shared_ptr<Vst3Module> module,
                                               std::string& error, const TUID processorClassId)
{
    if (!module || !module->factory())
    {
        error = "no module";
        return nullptr;
    }
    std::unique_ptr<Vst3Plugin> plugin(new Vst3Plugin(std::move(module)));
    if (!plugin->initialise(processorClassId, error))
        return nullptr;
    return plugin;
}

bool Vst3Plugin::initialise(const TUID processorClassId, std::string& error)
{
    IPluginFactory* factory = modulePtr->factory();
    PClassInfo2 processorClass;
    bool found = false;
    for (const auto& info : modulePtr->classes())
    {
        const bool wanted =
            processorClassId
                ? std::memcmp(info.cid, processorClassId, sizeof(TUID)) == 0
                : std::strncmp(info.category, kVstAudioEffectClass, sizeof(info.category)) == 0;
        if (wanted)
        {
            processorClass = info;
            found = true;
            break;
        }
    }
    if (!found)
    {
        error = "the module has no audio effect class";
        return false;
    }
    className.assign(processorClass.name,
                     strnlen(processorClass.name, sizeof(processorClass.name)));

    handlerPtr = owned(new ComponentHandler);

    IComponent* component = nullptr;
    if (factory->createInstance(processorClass.cid, IComponent::iid,
                                reinterpret_cast<void**>(&component)) != kResultOk ||
        !component)
    {
        error = "the factory made no processor";
        return false;
    }
    componentPtr = owned(component);
    if (componentPtr->initialize(&hostContext) != kResultOk)
    {
        componentPtr = nullptr; // a failed initialize is not followed by terminate
        error = "the processor refused to initialise";
        return false;
    }
    processorPtr = FUnknownPtr<IAudioProcessor>(componentPtr);
    if (!processorPtr)
    {
        error = "the processor has no IAudioProcessor interface";
        return false;
    }

    // The controller is either the component itself or a class of its own.
    controllerPtr = FUnknownPtr<IEditController>(componentPtr);
    if (controllerPtr)
        controllerIsComponent = true;
    else
    {
        TUID controllerClassId;
        IEditController* controller = nullptr;
        if (componentPtr->getControllerClassId(controllerClassId) == kResultOk &&
            factory->createInstance(controllerClassId, IEditController::iid,
                                    reinterpret_cast<void**>(&controller)) == kResultOk &&
            controller)
        {
            controllerPtr = owned(controller);
            if (controllerPtr->initialize(&hostContext) != kResultOk)
            {
                controllerPtr = nullptr;
                error = "the controller refused to initialise";
                return false;
            }
            controllerInitialised = true;
        }
    }
    if (!controllerPtr)
    {
        error = "the factory made no edit controller";
        return false;
    }
    // Room for one queue per parameter, so that no edit of a block is refused;
    // bounded, as the count is the plug-in's word.
    const int32 maxQueues = std::clamp(controllerPtr->getParameterCount(),
                                       ParameterChanges::kDefaultMaxParameters, int32{1024});
    inputParameterChanges = ParameterChanges(maxQueues);
    outputParameterChanges = ParameterChanges(maxQueues);
    controllerPtr->setComponentHandler(handlerPtr);
    handlerPtr->setEditListener([this](ParamID id, ParamValue value)
                                { inputParameterChanges.add(id, value); });

    if (!controllerIsComponent)
    {
        componentConnection = FUnknownPtr<IConnectionPoint>(componentPtr);
        controllerConnection = FUnknownPtr<IConnectionPoint>(controllerPtr);
        if (componentConnection && controllerConnection)
        {
            componentConnection->connect(controllerConnection);
            controllerConnection->connect(componentConnection);
            connected = true;
        }
    }

    // The controller starts from what the processor holds.
    std::vector<std::uint8_t> processorState;
    if (getProcessorState(processorState) && !controllerIsComponent)
    {
        MemoryStream stream(processorState.data(), static_cast<TSize>(processorState.size()));
        controllerPtr->setComponentState(&stream);
    }

    const int32 count = controllerPtr->getParameterCount();
    for (int32 i = 0; i < count; ++i)
    {
        ParameterInfo info{};
        if (controllerPtr->getParameterInfo(i, info) == kResultOk)
            parameterIds.insert(info.id);
    }
    return true;
}

Vst3Plugin::~Vst3Plugin()
{
    stop();
    if (handlerPtr)
        handlerPtr->setEditListener(nullptr);
    disconnect();
    if (controllerPtr)
    {
        controllerPtr->setComponentHandler(nullptr);
        if (controllerInitialised)
            controllerPtr->terminate();
    }
    controllerPtr = nullptr;
    processorPtr = nullptr;
    if (componentPtr)
        componentPtr->terminate();
    componentPtr = nullptr;
    handlerPtr = nullptr;
}

void Vst3Plugin::disconnect()
{
    if (!connected)
        return;
    componentConnection->disconnect(controllerConnection);
    controllerConnection->disconnect(componentConnection);
    componentConnection = nullptr;
    controllerConnection = nullptr;
    connected = false;
}

bool Vst3Plugin::start(double sampleRate, int maxBlockSize, int numChannels)
{
    stop();
    if (!std::isfinite(sampleRate) || sampleRate <= 0.0 || maxBlockSize <= 0 || numChannels <= 0 ||
        numChannels > 64)
        return false;

    // Prefer the host's channel count; a plug-in that insists on more gets
    // silent extra inputs and its extra outputs are dropped.
    SpeakerArrangement wanted = arrangementFor(numChannels);
    SpeakerArrangement inputArr = wanted;
    SpeakerArrangement outputArr = wanted;
    if (processorPtr->setBusArrangements(&inputArr, 1, &outputArr, 1) != kResultOk)
    {
        if (processorPtr->getBusArrangement(kInput, 0, inputArr) != kResultOk ||
            processorPtr->getBusArrangement(kOutput, 0, outputArr) != kResultOk ||
            SpeakerArr::getChannelCount(inputArr) != SpeakerArr::getChannelCount(outputArr) ||
            SpeakerArr::getChannelCount(inputArr) < numChannels)
            return false;
    }
    processorPtr->getBusArrangement(kInput, 0, inputArr);
    const int channels = SpeakerArr::getChannelCount(inputArr);
    if (channels < numChannels)
        return false;

    componentPtr->activateBus(kAudio, kInput, 0, true);
    componentPtr->activateBus(kAudio, kOutput, 0, true);
    ProcessSetup setup{kRealtime, kSample32, maxBlockSize, sampleRate};
    if (processorPtr->setupProcessing(setup) != kResultOk)
        return false;
    if (componentPtr->setActive(true) != kResultOk)
        return false;
    const tresult processing = processorPtr->setProcessing(true);
    if (processing != kResultOk && processing != kNotImplemented)
    {
        componentPtr->setActive(false);
        return false;
    }

    hostChannels = numChannels;
    pluginChannels = channels;
    maxFrames = maxBlockSize;
    const auto extra = static_cast<size_t>(pluginChannels - hostChannels);
    scratch.assign(2 * extra * static_cast<size_t>(maxFrames), 0.0f);
    inputPointers.assign(static_cast<size_t>(pluginChannels), nullptr);
    outputPointers.assign(static_cast<size_t>(pluginChannels), nullptr);
    processContext = ProcessContext{};
    processContext.sampleRate = sampleRate;
    processContext.state = ProcessContext::kPlaying;
    started = true;
    return true;
}

void Vst3Plugin::stop()
{
    if (!started)
        return;
    processorPtr->setProcessing(false);
    componentPtr->setActive(false);
    started = false;
}

bool Vst3Plugin::setParameter(std::uint32_t id, double normalized)
{
    if (!hasParameter(id) || !std::isfinite(normalized) || normalized < 0.0 || normalized > 1.0)
        return false;
    if (controllerPtr->setParamNormalized(id, normalized) != kResultOk)
        return false;
    return inputParameterChanges.add(id, normalized);
}

double Vst3Plugin::getParameter(std::uint32_t id) const
{
    return controllerPtr->getParamNormalized(id);
}

std::string Vst3Plugin::getParameterText(std::uint32_t id) const
{
    String128 text{};
    if (controllerPtr->getParamStringByValue(id, controllerPtr->getParamNormalized(id), text) !=
        kResultOk)
        return {};
    return toUtf8(text, 128);
}

bool Vst3Plugin::process(const float* const* inputs, float* const* outputs, int numFrames)
{
    if (!started || numFrames < 0 || numFrames > maxFrames || !inputs || !outputs)
        return false;
    if (numFrames == 0)
        return true;

    const auto frames = static_cast<size_t>(numFrames);
    const auto extra = static_cast<size_t>(pluginChannels - hostChannels);
    float* extraInputs = scratch.data();
    float* extraOutputs = scratch.data() + extra * static_cast<size_t>(maxFrames);
    std::fill(extraInputs, extraInputs + extra * static_cast<size_t>(maxFrames), 0.0f);
    for (int c = 0; c < pluginChannels; ++c)
    {
        const auto i = static_cast<size_t>(c);
        if (c < hostChannels)
        {
            if (!inputs[c] || !outputs[c])
                return false;
            inputPointers[i] = const_cast<float*>(inputs[c]);
            outputPointers[i] = outputs[c];
        }
        else
        {
            const size_t slot = (i - static_cast<size_t>(hostChannels)) * frames;
            inputPointers[i] = extraInputs + slot;
            outputPointers[i] = extraOutputs + slot;
        }
    }

    AudioBusBuffers inputBus;
    inputBus.numChannels = pluginChannels;
    inputBus.silenceFlags = 0;
    inputBus.channelBuffers32 = inputPointers.data();
    AudioBusBuffers outputBus;
    outputBus.numChannels = pluginChannels;
    outputBus.silenceFlags = 0;
    outputBus.channelBuffers32 = outputPointers.data();

    ProcessData data;
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample32;
    data.numSamples = numFrames;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &inputBus;
    data.outputs = &outputBus;
    data.inputParameterChanges = &inputParameterChanges;
    data.outputParameterChanges = &outputParameterChanges;
    data.processContext = &processContext;

    outputParameterChanges.clear();
    const tresult result = processorPtr->process(data);
    inputParameterChanges.clear();
    processContext.projectTimeSamples += numFrames;
    processContext.continousTimeSamples += numFrames;
    return result == kResultOk;
}

bool Vst3Plugin::getProcessorState(std::vector<std::uint8_t>& bytes)
{
    MemoryStream stream;
    return componentPtr->getState(&stream) == kResultOk && readStream(stream, bytes);
}

bool Vst3Plugin::getControllerState(std::vector<std::uint8_t>& bytes)
{
    if (controllerIsComponent)
    {
        bytes.clear();
        return true;
    }
    MemoryStream stream;
    return controllerPtr->getState(&stream) == kResultOk && readStream(stream, bytes);
}

bool Vst3Plugin::saveState(std::vector<std::uint8_t>& blob)
{
    std::vector<std::uint8_t> processorState;
    std::vector<std::uint8_t> controllerState;
    if (!getProcessorState(processorState) || !getControllerState(controllerState))
        return false;
    std::vector<std::uint8_t> out(std::begin(kBlobTag), std::end(kBlobTag));
    appendU32(out, kBlobVersion);
    appendU32(out, static_cast<std::uint32_t>(processorState.size()));
    out.insert(out.end(), processorState.begin(), processorState.end());
    appendU32(out, static_cast<std::uint32_t>(controllerState.size()));
    out.insert(out.end(), controllerState.begin(), controllerState.end());
    blob = std::move(out);
    return true;
}

bool Vst3Plugin::restoreState(const std::vector<std::uint8_t>& blob)
{
    size_t pos = sizeof(kBlobTag);
    std::uint32_t version = 0;
    std::vector<std::uint8_t> processorState;
    std::vector<std::uint8_t> controllerState;
    if (blob.size() < sizeof(kBlobTag) || std::memcmp(blob.data(), kBlobTag, sizeof(kBlobTag)) ||
        !readU32(blob, pos, version) || version != kBlobVersion ||
        !readBytes(blob, pos, processorState) || !readBytes(blob, pos, controllerState) ||
        pos != blob.size())
        return false;

    // The streams are applied one after the other; if a later one is refused
    // the earlier ones are rolled back, so a bad blob changes nothing.
    std::vector<std::uint8_t> previousProcessor;
    std::vector<std::uint8_t> previousController;
    if (!getProcessorState(previousProcessor) || !getControllerState(previousController))
        return false;
    if (applyStates(processorState, controllerState))
    {
        inputParameterChanges.clear(); // edits queued before the restore are stale
        return true;
    }
    applyStates(previousProcessor, previousController);
    return false;
}

bool Vst3Plugin::applyStates(const std::vector<std::uint8_t>& processorState,
                             const std::vector<std::uint8_t>& controllerState)
{
    auto streamOf = [](const std::vector<std::uint8_t>& bytes) {
        return MemoryStream(const_cast<std::uint8_t*>(bytes.data()),
                            static_cast<TSize>(bytes.size()));
    };
    MemoryStream processorStream = streamOf(processorState);
    if (componentPtr->setState(&processorStream) != kResultOk)
        return false;
    if (controllerIsComponent)
        return true;
    MemoryStream mirrorStream = streamOf(processorState);
    if (controllerPtr->setComponentState(&mirrorStream) != kResultOk)
        return false;
    if (controllerState.empty())
        return true;
    MemoryStream controllerStream = streamOf(controllerState);
    return controllerPtr->setState(&controllerStream) == kResultOk;
}

} // namespace KestrumHost
