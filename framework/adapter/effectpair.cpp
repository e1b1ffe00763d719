#include "adapter/effectpair.h"

#include "adapter/statebundle.h"

#include "pluginterfaces/vst/vstspeaker.h"
#include "public.sdk/source/common/memorystream.h"

#include <algorithm>
#include <new>

namespace Steinberg
{
namespace Vst
{
namespace
{

bool streamToBytes(MemoryStream& stream, std::vector<uint8>& bytes)
{
    const auto size = stream.getSize();
    if (size < 0)
        return false;
    const auto* data = reinterpret_cast<const uint8*>(stream.getData());
    bytes.assign(data, data + size);
    return true;
}

// A stream over bytes the caller keeps; the processor and the controller
// only read from it.
MemoryStream readStream(const uint8* data, size_t size)
{
    return MemoryStream(const_cast<uint8*>(data), static_cast<TSize>(size));
}

} // namespace

std::unique_ptr<EffectPair> EffectPair::create(IPluginFactory& factory, const TUID processorCid,
                                               FUnknown* hostContext)
{
    std::unique_ptr<EffectPair> pair(new (std::nothrow) EffectPair);
    if (!pair || !processorCid || !pair->init(factory, processorCid, hostContext))
        return nullptr;
    return pair;
}

EffectPair::~EffectPair()
{
    if (controllerPtr)
        controllerPtr->setComponentHandler(nullptr);
    if (componentConnection && controllerConnection)
    {
        componentConnection->disconnect(controllerConnection);
        controllerConnection->disconnect(componentConnection);
    }
    if (controllerPtr && controllerInitialized)
        controllerPtr->terminate();
    if (componentPtr && componentInitialized)
        componentPtr->terminate();
    controllerConnection = nullptr;
    componentConnection = nullptr;
    controllerPtr = nullptr;
    historyPtr = nullptr;
    processorPtr = nullptr;
    componentPtr = nullptr;
}

bool EffectPair::init(IPluginFactory& factory, const TUID processorCid, FUnknown* hostContext)
{
    IComponent* newComponent = nullptr;
    if (factory.createInstance(processorCid, IComponent::iid,
                               reinterpret_cast<void**>(&newComponent)) != kResultOk ||
        !newComponent)
        return false;
    componentPtr = owned(newComponent);
    processorPtr = FUnknownPtr<IAudioProcessor>(componentPtr);
    historyPtr = FUnknownPtr<IAudioHistory>(componentPtr);
    if (!processorPtr || componentPtr->initialize(hostContext) != kResultOk)
        return false;
    componentInitialized = true;
    if (!makeController(factory, hostContext))
        return false;
    readParameters();
    return true;
}

bool EffectPair::makeController(IPluginFactory& factory, FUnknown* hostContext)
{
    // A single-component plug-in is its own controller.
    controllerPtr = FUnknownPtr<IEditController>(componentPtr);
    if (controllerPtr)
        return true;

    TUID controllerCid;
    IEditController* newController = nullptr;
    if (componentPtr->getControllerClassId(controllerCid) != kResultTrue ||
        factory.createInstance(controllerCid, IEditController::iid,
                               reinterpret_cast<void**>(&newController)) != kResultOk ||
        !newController)
        return false;
    controllerPtr = owned(newController);
    if (controllerPtr->initialize(hostContext) != kResultOk)
        return false;
    controllerInitialized = true;

    componentConnection = FUnknownPtr<IConnectionPoint>(componentPtr);
    controllerConnection = FUnknownPtr<IConnectionPoint>(controllerPtr);
    if (componentConnection && controllerConnection)
    {
        componentConnection->connect(controllerConnection);
        controllerConnection->connect(componentConnection);
    }
    else
    {
        componentConnection = nullptr;
        controllerConnection = nullptr;
    }

    // The controller starts from the processor's state, as in any host.
    MemoryStream state;
    if (componentPtr->getState(&state) == kResultOk)
    {
        state.seek(0, IBStream::kIBSeekSet, nullptr);
        controllerPtr->setComponentState(&state);
    }
    return true;
}

void EffectPair::readParameters()
{
    const int32 count = controllerPtr->getParameterCount();
    for (int32 i = 0; i < count; ++i)
    {
        ParameterInfo info{};
        if (controllerPtr->getParameterInfo(i, info) != kResultOk)
            continue;
        if ((info.flags & ParameterInfo::kIsBypass) && bypass < 0)
            bypass = static_cast<int32>(parameterList.size());
        parameterList.push_back(info);
    }
    valueHandoff = std::make_unique<ParameterHandoff>(static_cast<int32>(parameterList.size()));
    for (size_t i = 0; i < parameterList.size(); ++i)
        valueHandoff->reset(static_cast<int32>(i),
                            controllerPtr->getParamNormalized(parameterList[i].id));
}

bool EffectPair::setUpMainBuses(SpeakerArrangement arrangement, int32 maxChannels, int32& numInputs,
                                int32& numOutputs)
{
    std::vector<SpeakerArrangement> inputs(
        static_cast<size_t>(std::max<int32>(0, componentPtr->getBusCount(kAudio, kInput))));
    std::vector<SpeakerArrangement> outputs(
        static_cast<size_t>(std::max<int32>(0, componentPtr->getBusCount(kAudio, kOutput))));
    for (size_t i = 0; i < inputs.size(); ++i)
        processorPtr->getBusArrangement(kInput, static_cast<int32>(i), inputs[i]);
    for (size_t i = 0; i < outputs.size(); ++i)
        processorPtr->getBusArrangement(kOutput, static_cast<int32>(i), outputs[i]);
    if (!inputs.empty())
        inputs[0] = arrangement;
    if (!outputs.empty())
        outputs[0] = arrangement;
    processorPtr->setBusArrangements(inputs.data(), static_cast<int32>(inputs.size()),
                                     outputs.data(), static_cast<int32>(outputs.size()));

    // Whatever the processor settled on is what the host gets.
    numInputs = 0;
    numOutputs = 0;
    SpeakerArrangement settled = 0;
    if (!inputs.empty() && processorPtr->getBusArrangement(kInput, 0, settled) == kResultTrue)
    {
        numInputs = std::min(SpeakerArr::getChannelCount(settled), maxChannels);
        componentPtr->activateBus(kAudio, kInput, 0, true);
    }
    if (!outputs.empty() && processorPtr->getBusArrangement(kOutput, 0, settled) == kResultTrue)
    {
        numOutputs = std::min(SpeakerArr::getChannelCount(settled), maxChannels);
        componentPtr->activateBus(kAudio, kOutput, 0, true);
    }
    return numOutputs > 0;
}

int32 EffectPair::indexOf(ParamID id) const
{
    for (size_t i = 0; i < parameterList.size(); ++i)
    {
        if (parameterList[i].id == id)
            return static_cast<int32>(i);
    }
    return -1;
}

void EffectPair::flushToController()
{
    valueHandoff->takeControllerChanges(
        [this](int32 index, double value) {
            controllerPtr->setParamNormalized(parameterList[static_cast<size_t>(index)].id, value);
        });
}

bool EffectPair::saveStates(std::vector<uint8>& processorState, std::vector<uint8>& controllerState)
{
    MemoryStream processorStream;
    if (componentPtr->getState(&processorStream) != kResultOk ||
        !streamToBytes(processorStream, processorState))
        return false;

    controllerState.clear();
    if (!controllerInitialized)
        return true; // a single component's state is all there is
    MemoryStream controllerStream;
    const tresult result = controllerPtr->getState(&controllerStream);
    if (result == kNotImplemented)
        return true; // a controller without a state of its own
    return result == kResultOk && streamToBytes(controllerStream, controllerState);
}

bool EffectPair::restoreController(IBStream& processorState, IBStream* controllerState)
{
    if (!controllerInitialized)
        return true;
    processorState.seek(0, IBStream::kIBSeekSet, nullptr);
    if (controllerPtr->setComponentState(&processorState) != kResultOk)
        return false;
    return !controllerState || controllerPtr->setState(controllerState) == kResultOk;
}

bool EffectPair::saveState(std::vector<uint8>& stream)
{
    flushToController();
    std::vector<uint8> processorState, controllerState;
    // The host's latest values, which the processor may not have seen yet.
    std::vector<StateBundle::ParameterValue> values;
    values.reserve(parameterList.size());
    for (size_t i = 0; i < parameterList.size(); ++i)
        values.push_back({parameterList[i].id, valueHandoff->get(static_cast<int32>(i))});
    return saveStates(processorState, controllerState) &&
           StateBundle::build(processorState, controllerState, values, stream);
}

bool EffectPair::loadState(const void* data, std::size_t size)
{
    StateBundle parsed;
    if (size == 0 || !parsed.parse(data, size))
        return false;
    flushToController();

    // What to go back to if only a part of the stream is taken.
    std::vector<uint8> oldProcessorState, oldControllerState;
    if (!saveStates(oldProcessorState, oldControllerState))
        return false;

    MemoryStream processorState = readStream(parsed.processorState(), parsed.processorStateSize());
    if (componentPtr->setState(&processorState) != kResultOk)
        return false;
    MemoryStream controllerState =
        readStream(parsed.controllerState(), parsed.controllerStateSize());
    if (!restoreController(processorState,
                           parsed.controllerStateSize() > 0 ? &controllerState : nullptr))
    {
        MemoryStream oldProcessor = readStream(oldProcessorState.data(), oldProcessorState.size());
        MemoryStream oldController =
            readStream(oldControllerState.data(), oldControllerState.size());
        componentPtr->setState(&oldProcessor);
        restoreController(oldProcessor, oldControllerState.empty() ? nullptr : &oldController);
        return false;
    }

    // The restored values replace whatever was still on its way.
    for (size_t i = 0; i < parameterList.size(); ++i)
        valueHandoff->reset(static_cast<int32>(i),
                            controllerPtr->getParamNormalized(parameterList[i].id));
    // Values the saving processor had not taken yet: the controller takes
    // them now, the processor with its next block.
    for (const StateBundle::ParameterValue& saved : parsed.parameterValues())
    {
        const int32 index = indexOf(saved.id);
        if (index < 0 || saved.value == valueHandoff->get(index))
            continue;
        controllerPtr->setParamNormalized(saved.id, saved.value);
        valueHandoff->set(index, saved.value, ParameterHandoff::Origin::kController);
    }
    return true;
}

} // namespace Vst
} // namespace Steinberg
