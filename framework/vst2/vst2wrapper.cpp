#include "vst2/vst2wrapper.h"

#include "vst2/vst2entry.h"
#include "vst2/vst2strings.h"

#include "base/source/fstring.h"
#include "pluginterfaces/vst/vstspeaker.h"

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

// Every VST 2 effect has at least one program; this one has exactly one,
// and the chunk carries its whole state.
constexpr char kProgramName[] = "Default";
// Output parameter changes are accepted (a processor may write them) but
// not forwarded: room for a few points per parameter and block.
constexpr int32 kOutputPointsPerParameter = 4;
constexpr int32 kMaxChannels = VST_MAX_CHANNELS;

} // namespace

Vst2Wrapper* Vst2Wrapper::create(IPluginFactory* factory, const TUID processorCid,
                                 int32 vst2UniqueId, audioMasterCallback host)
{
    // The caller's factory reference ends here, whatever happens.
    IPtr<IPluginFactory> factoryReference = owned(factory);

    // Made first, so that every failure goes through the destructor and
    // DeinitModule answers the InitModule that preceded this call.
    std::unique_ptr<Vst2Wrapper> wrapper(new (std::nothrow) Vst2Wrapper(host));
    if (!wrapper || !factory || !processorCid ||
        !wrapper->init(*factory, processorCid, vst2UniqueId))
        return nullptr;
    return wrapper.release();
}

void Vst2Wrapper::setPlugCategory(int32 category)
{
    if (category >= Vst2::kPlugCategUnknown && category <= Vst2::kPlugCategGenerator)
        plugCategory = category;
}

Vst2Wrapper::Vst2Wrapper(audioMasterCallback host) : host(host), hostContext("VST 2 host")
{
    effect.magic_number = Vst2::kEffectMagic;
    effect.control = dispatcherCallback;
    effect.process = processCallback;
    effect.set_parameter = setParameterCallback;
    effect.get_parameter = getParameterCallback;
    effect.process_float = processReplacingCallback;
    effect.process_double = nullptr;
    effect._unknown_float_00 = 1.f; // the I/O ratio
    effect.effect_internal = this;
}

Vst2Wrapper::~Vst2Wrapper()
{
    // An editor the host left open goes while its controller still works.
    editor.reset();
    suspend();
    // The processor and the controller go before the module's end.
    pair.reset();
    effect.effect_internal = nullptr;
    DeinitModule();
}

bool Vst2Wrapper::init(IPluginFactory& factory, const TUID processorCid, int32 vst2UniqueId)
{
    if (!describeClass(factory, processorCid, description))
        return false;
    pair = EffectPair::create(factory, processorCid, &hostContext);
    // VST 2 has one stereo pair in and out, on the main buses.
    if (!pair || !pair->setUpMainBuses(SpeakerArr::kStereo, kMaxChannels, numInputChannels,
                                       numOutputChannels))
        return false;
    component = &pair->component();
    processor = &pair->processor();
    controller = &pair->controller();
    setUpParameters();
    fillEffect(vst2UniqueId);
    allocateBuffers();
    return true;
}

void Vst2Wrapper::setUpParameters()
{
    const auto numParameters = static_cast<int32>(pair->parameters().size());
    std::vector<ParamID> ids;
    for (const ParameterInfo& info : pair->parameters())
        ids.push_back(info.id);
    componentHandler =
        std::make_unique<Vst2ComponentHandler>(host, std::move(ids), pair->handoff());
    componentHandler->setEffect(&effect);
    controller->setComponentHandler(componentHandler.get());

    inputChanges = std::make_unique<ParameterChanges>(numParameters, 1);
    outputChanges = std::make_unique<ParameterChanges>(numParameters, kOutputPointsPerParameter);
    editor = std::make_unique<Vst2EditorAdapter>(controller, host, &effect);
}

void Vst2Wrapper::fillEffect(int32 vst2UniqueId)
{
    effect.num_programs = 1;
    effect.num_params = static_cast<int32_t>(pair->parameters().size());
    effect.num_inputs = numInputChannels;
    effect.num_outputs = numOutputChannels;
    effect.flags = Vst2::effFlagsCanReplacing | Vst2::effFlagsProgramChunks;
    if (isInstrument(description.subCategories))
        effect.flags |= Vst2::effFlagsIsSynth;
    if (editor->hasEditor())
        effect.flags |= Vst2::effFlagsHasEditor;
    const uint32 latency = processor->getLatencySamples();
    effect.delay = static_cast<int32_t>(
        std::min<uint32>(latency, static_cast<uint32>(std::numeric_limits<int32_t>::max())));
    effect.unique_id = vst2UniqueId;
    effect.version = vst2VersionNumber(description.version);
}

void Vst2Wrapper::allocateBuffers()
{
    const auto frames = static_cast<size_t>(blockSize);
    silence.assign(frames, 0.f);
    discard.assign(frames, 0.f);
    scratch.assign(frames * static_cast<size_t>(numOutputChannels), 0.f);
    scratchPointers.assign(static_cast<size_t>(numOutputChannels), nullptr);
    for (int32 ch = 0; ch < numOutputChannels; ++ch)
        scratchPointers[static_cast<size_t>(ch)] = scratch.data() + ch * frames;
    block.bind(numInputChannels, numOutputChannels, inputChanges.get(), outputChanges.get());
    block.data.processContext = &processContext;
}

// --- Activation -------------------------------------------------------------

void Vst2Wrapper::resume()
{
    if (active.load())
        return;
    ProcessSetup setup{kRealtime, kSample32, blockSize, sampleRate};
    if (processor->setupProcessing(setup) != kResultOk)
        return; // stays suspended: processReplacing then gives silence
    allocateBuffers();
    processContext = ProcessContext{};
    processContext.sampleRate = sampleRate;
    if (component->setActive(true) != kResultOk)
        return;
    processor->setProcessing(true);
    active.store(true);
}

void Vst2Wrapper::suspend()
{
    if (!active.exchange(false))
        return;
    processor->setProcessing(false);
    component->setActive(false);
}

void Vst2Wrapper::changeSetup(double newSampleRate, int32 newBlockSize)
{
    // A running processor learns a new setup only across a restart.
    const bool wasActive = active.load();
    suspend();
    sampleRate = newSampleRate;
    blockSize = newBlockSize;
    if (wasActive)
        resume();
    else
        allocateBuffers();
}

// --- Processing (audio thread) --------------------------------------------

void Vst2Wrapper::processReplacing(const float* const* inputs, float* const* outputs, int32 frames)
{
    if (!outputs || frames <= 0)
        return;
    if (!active.load(std::memory_order_acquire))
    {
        for (int32 ch = 0; ch < numOutputChannels; ++ch)
        {
            if (outputs[ch])
                std::fill(outputs[ch], outputs[ch] + frames, 0.f);
        }
        return;
    }
    // The processor was promised blocks of at most blockSize frames.
    for (int32 offset = 0; offset < frames; offset += blockSize)
        processBlock(inputs, outputs, offset, std::min(blockSize, frames - offset));
}

void Vst2Wrapper::processAccumulating(const float* const* inputs, float* const* outputs,
                                      int32 frames)
{
    if (!outputs || frames <= 0 || !active.load(std::memory_order_acquire))
        return;
    for (int32 offset = 0; offset < frames; offset += blockSize)
    {
        const int32 n = std::min(blockSize, frames - offset);
        // processBlock offsets the host's input pointers; the scratch output
        // starts afresh for every block.
        processBlock(inputs, scratchPointers.data(), offset, n);
        for (int32 ch = 0; ch < numOutputChannels; ++ch)
        {
            if (!outputs[ch])
                continue;
            const float* source = scratchPointers[static_cast<size_t>(ch)];
            float* target = outputs[ch] + offset;
            for (int32 i = 0; i < n; ++i)
                target[i] += source[i];
        }
    }
}

void Vst2Wrapper::processBlock(const float* const* inputs, float* const* outputs, int32 offset,
                               int32 frames)
{
    inputChanges->clear();
    outputChanges->clear();
    pair->handoff().takeProcessorChanges(
        [this](int32 index, double value)
        { inputChanges->add(pair->parameters()[static_cast<size_t>(index)].id, value); });

    for (int32 ch = 0; ch < numInputChannels; ++ch)
    {
        const float* in = inputs ? inputs[ch] : nullptr;
        block.inputChannels[static_cast<size_t>(ch)] =
            in ? const_cast<float*>(in) + offset : silence.data();
    }
    // Scratch outputs (the accumulating process) are per block; the host's
    // buffers are addressed at the block's offset.
    const bool ownBuffers = outputs == scratchPointers.data();
    for (int32 ch = 0; ch < numOutputChannels; ++ch)
    {
        float* out = outputs[ch];
        block.outputChannels[static_cast<size_t>(ch)] =
            out ? (ownBuffers ? out : out + offset) : discard.data();
    }

    block.data.numSamples = frames;
    processor->process(block.data);
    processContext.projectTimeSamples += frames;
    processContext.continousTimeSamples += frames;
}

// --- Parameters -------------------------------------------------------------

void Vst2Wrapper::setParameter(int32 index, float value)
{
    const std::vector<ParameterInfo>& parameters = pair->parameters();
    if (index < 0 || index >= static_cast<int32>(parameters.size()) || std::isnan(value))
        return;
    if (parameters[static_cast<size_t>(index)].flags & ParameterInfo::kIsReadOnly)
        return;
    const double clamped = std::min(1.0, std::max(0.0, static_cast<double>(value)));
    pair->handoff().set(index, clamped, ParameterHandoff::Origin::kHost);
}

float Vst2Wrapper::getParameter(int32 index) const
{
    return static_cast<float>(pair->handoff().get(index));
}

bool Vst2Wrapper::getParameterText(int32 opcode, int32 index, char* text) const
{
    const std::vector<ParameterInfo>& parameters = pair->parameters();
    if (!text || index < 0 || index >= static_cast<int32>(parameters.size()))
        return false;
    const ParameterInfo& info = parameters[static_cast<size_t>(index)];
    std::string utf8;
    std::size_t capacity = kParamDisplayCapacity;
    switch (opcode)
    {
    case Vst2::effGetParamName:
        utf8 = toUtf8(info.title);
        capacity = kParamNameCapacity;
        break;
    case Vst2::effGetParamLabel:
        utf8 = toUtf8(info.units);
        capacity = kParamLabelCapacity;
        break;
    default:
    {
        String128 display{};
        // The host's latest value, also when the controller has yet to see it.
        if (controller->getParamStringByValue(info.id, pair->handoff().get(index), display) !=
            kResultOk)
            display[0] = 0;
        display[127] = 0;
        utf8 = toUtf8(display);
        break;
    }
    }
    copyTruncated(utf8, text, capacity);
    return true;
}

bool Vst2Wrapper::stringToParameter(int32 index, const char* text)
{
    const std::vector<ParameterInfo>& parameters = pair->parameters();
    if (index < 0 || index >= static_cast<int32>(parameters.size()))
        return false;
    if (!text)
        return true; // the host asks whether texts are understood at all
    String converted(text);
    converted.toWideString(kCP_Utf8);
    ParamValue value = 0;
    if (controller->getParamValueByString(parameters[static_cast<size_t>(index)].id,
                                          const_cast<TChar*>(converted.text16()),
                                          value) != kResultOk)
        return false;
    setParameter(index, static_cast<float>(value));
    return true;
}

// --- State ----------------------------------------------------------------

intptr_t Vst2Wrapper::getChunk(void** data)
{
    if (!data || !pair->saveState(chunk))
        return 0;
    *data = chunk.data();
    return static_cast<intptr_t>(chunk.size());
}

intptr_t Vst2Wrapper::setChunk(const void* data, intptr_t size)
{
    return size > 0 && pair->loadState(data, static_cast<size_t>(size)) ? 1 : 0;
}

// --- Dispatcher -------------------------------------------------------------

intptr_t Vst2Wrapper::canDo(const char* feature) const
{
    if (!feature)
        return 0;
    struct Answer
    {
        const char* feature;
        intptr_t answer;
    };
    // 1 yes, -1 no, 0 don't know.
    static const Answer answers[] = {
        {"plugAsChannelInsert", 1},  {"plugAsSend", 1},     {"receiveVstEvents", -1},
        {"receiveVstMidiEvent", -1}, {"sendVstEvents", -1}, {"sendVstMidiEvent", -1},
        {"midiProgramNames", -1},    {"offline", -1},       {"noRealTime", -1},
    };
    for (const Answer& entry : answers)
    {
        if (std::strcmp(feature, entry.feature) == 0)
            return entry.answer;
    }
    // A host bypass runs through the plug-in's own bypass parameter, so the
    // plug-in keeps its state and shows the bypass itself.
    if (std::strcmp(feature, "bypass") == 0)
        return pair->bypassIndex() >= 0 ? 1 : -1;
    if (std::strcmp(feature, "2in2out") == 0)
        return numInputChannels == 2 && numOutputChannels == 2 ? 1 : -1;
    return 0;
}

bool Vst2Wrapper::setSpeakerArrangement(intptr_t inputs, void* outputs) const
{
    // Only the layout the effect already has is accepted.
    const auto* in = reinterpret_cast<const Vst2::SpeakerArrangementHead*>(inputs);
    const auto* out = static_cast<const Vst2::SpeakerArrangementHead*>(outputs);
    return in && out && in->numChannels == numInputChannels &&
           out->numChannels == numOutputChannels;
}

intptr_t Vst2Wrapper::dispatch(int32 opcode, int32 index, intptr_t value, void* ptr, float opt)
{
    switch (opcode)
    {
    case Vst2::effOpen:
        return 0;
    case Vst2::effGetProgram:
    case Vst2::effSetProgram:
    case Vst2::effSetProgramName:
        return 0;
    case Vst2::effGetProgramName:
        copyTruncated(kProgramName, static_cast<char*>(ptr), Vst2::kVstMaxProgNameLen);
        return 0;
    case Vst2::effGetProgramNameIndexed:
        if (index != 0 || !ptr)
            return 0;
        copyTruncated(kProgramName, static_cast<char*>(ptr), Vst2::kVstMaxProgNameLen);
        return 1;
    case Vst2::effGetParamLabel:
    case Vst2::effGetParamDisplay:
    case Vst2::effGetParamName:
        return getParameterText(opcode, index, static_cast<char*>(ptr)) ? 1 : 0;
    case Vst2::effCanBeAutomated:
        return index >= 0 && index < static_cast<int32>(pair->parameters().size()) &&
                       (pair->parameters()[static_cast<size_t>(index)].flags &
                        ParameterInfo::kCanAutomate)
                   ? 1
                   : 0;
    case Vst2::effString2Parameter:
        return stringToParameter(index, static_cast<const char*>(ptr)) ? 1 : 0;
    case Vst2::effSetSampleRate:
        if (!std::isfinite(opt) || opt <= 0.f)
            return 0;
        changeSetup(opt, blockSize);
        return 1;
    case Vst2::effSetBlockSize:
        if (value <= 0 || value > std::numeric_limits<int32>::max())
            return 0;
        changeSetup(sampleRate, static_cast<int32>(value));
        return 1;
    case Vst2::effMainsChanged:
        pair->flushToController();
        if (value)
            resume();
        else
            suspend();
        return 0;
    case Vst2::effEditIdle:
        pair->flushToController();
        return editor->dispatch(opcode, index, value, ptr, opt);
    case Vst2::effEditGetRect:
    case Vst2::effEditOpen:
    case Vst2::effEditClose:
    case Vst2::effVendorSpecific:
        return editor->dispatch(opcode, index, value, ptr, opt);
    case Vst2::effGetChunk:
        return getChunk(static_cast<void**>(ptr));
    case Vst2::effSetChunk:
        return setChunk(ptr, value);
    case Vst2::effGetPlugCategory:
        return plugCategory >= 0 ? plugCategory : vst2PlugCategory(description.subCategories);
    case Vst2::effSetSpeakerArrangement:
        return setSpeakerArrangement(value, ptr) ? 1 : 0;
    case Vst2::effSetBypass:
        if (pair->bypassIndex() < 0)
            return 0;
        setParameter(pair->bypassIndex(), value ? 1.f : 0.f);
        return 1;
    case Vst2::effGetEffectName:
        if (!ptr)
            return 0;
        copyTruncated(description.effectName, static_cast<char*>(ptr), kEffectNameCapacity);
        return 1;
    case Vst2::effGetVendorString:
        if (!ptr)
            return 0;
        copyTruncated(description.vendor, static_cast<char*>(ptr), kVendorCapacity);
        return 1;
    case Vst2::effGetProductString:
        if (!ptr)
            return 0;
        copyTruncated(description.effectName, static_cast<char*>(ptr), kProductCapacity);
        return 1;
    case Vst2::effGetVendorVersion:
        return vst2VersionNumber(description.version);
    case Vst2::effCanDo:
        return canDo(static_cast<const char*>(ptr));
    case Vst2::effGetTailSize:
    {
        // VST 2 reads 0 as "don't know" and 1 as "no tail".
        const uint32 tail = processor->getTailSamples();
        if (tail == kNoTail)
            return 1;
        return static_cast<intptr_t>(std::min<uint32>(tail, std::numeric_limits<int32>::max()));
    }
    case Vst2::effGetVstVersion:
        return Vst2::kVstVersion;
    case Vst2::effSetProcessPrecision:
        return value == Vst2::kVstProcessPrecision32 ? 1 : 0;
    default:
        return 0;
    }
}

// --- Entry points from the host -------------------------------------------

Vst2Wrapper* Vst2Wrapper::fromEffect(AEffect* effect)
{
    return effect ? static_cast<Vst2Wrapper*>(effect->effect_internal) : nullptr;
}

intptr_t Vst2Wrapper::dispatcherCallback(AEffect* effect, VST_EFFECT_OPCODE opcode, int32_t index,
                                         intptr_t value, void* ptr, float opt)
{
    Vst2Wrapper* wrapper = fromEffect(effect);
    if (!wrapper)
        return 0;
    if (static_cast<int32>(opcode) == Vst2::effClose)
    {
        delete wrapper;
        return 1;
    }
    return wrapper->dispatch(static_cast<int32>(opcode), index, value, ptr, opt);
}

void Vst2Wrapper::setParameterCallback(AEffect* effect, uint32_t index, float value)
{
    if (Vst2Wrapper* wrapper = fromEffect(effect))
        wrapper->setParameter(static_cast<int32>(index), value);
}

float Vst2Wrapper::getParameterCallback(AEffect* effect, uint32_t index)
{
    Vst2Wrapper* wrapper = fromEffect(effect);
    return wrapper ? wrapper->getParameter(static_cast<int32>(index)) : 0.f;
}

void Vst2Wrapper::processReplacingCallback(AEffect* effect, const float* const* inputs,
                                           float** outputs, int32_t frames)
{
    if (Vst2Wrapper* wrapper = fromEffect(effect))
        wrapper->processReplacing(inputs, outputs, frames);
}

void Vst2Wrapper::processCallback(AEffect* effect, const float* const* inputs, float** outputs,
                                  int32_t frames)
{
    if (Vst2Wrapper* wrapper = fromEffect(effect))
        wrapper->processAccumulating(inputs, outputs, frames);
}

} // namespace Vst
} // namespace Steinberg
