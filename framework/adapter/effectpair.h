// A VST 3 processor and its edit controller as an adapter for another
// format (VST 2, CLAP) holds them: made through the module's factory,
// initialised and connected the way a VST 3 host does it, with the
// parameter list read once, the handoff that carries parameter values
// between the threads, and the whole state as one stream (StateBundle).
//
// Threads: everything here on the host's main thread, except handoff(),
// whose own comments say which side runs where.
#pragma once

#include "adapter/parameterhandoff.h"
#include "vst3/audiohistory.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmessage.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace Steinberg
{
namespace Vst
{

class EffectPair
{
public:
    // Makes the processor class `processorCid` of `factory` and the
    // controller it names (or uses the processor itself when it is its own
    // controller), initialises both with `hostContext`, connects them and
    // hands the processor's state to the controller. Null when anything of
    // that fails; what was made is taken apart again.
    static std::unique_ptr<EffectPair> create(IPluginFactory& factory, const TUID processorCid,
                                              FUnknown* hostContext);
    // Disconnects and terminates both.
    ~EffectPair();
    EffectPair(const EffectPair&) = delete;
    EffectPair& operator=(const EffectPair&) = delete;

    IComponent& component() const { return *componentPtr; }
    IAudioProcessor& processor() const { return *processorPtr; }
    IEditController& controller() const { return *controllerPtr; }
    // Null for a processor that cannot forget its audio without deactivation.
    IAudioHistory* history() const { return historyPtr; }

    // Asks for `arrangement` on the first audio input and output (further
    // buses keep theirs and stay out of processing), activates those two and
    // reports the channel counts the processor settled on, at most
    // `maxChannels`. False without an output.
    bool setUpMainBuses(SpeakerArrangement arrangement, int32 maxChannels, int32& numInputs,
                        int32& numOutputs);

    // The controller's parameters, in its order: an adapter's index is the
    // position here.
    const std::vector<ParameterInfo>& parameters() const { return parameterList; }
    // -1 when there is no parameter with that id.
    int32 indexOf(ParamID id) const;
    // The first parameter flagged as the bypass, -1 without one.
    int32 bypassIndex() const { return bypass; }
    ParameterHandoff& handoff() const { return *valueHandoff; }

    // Values the host set that the controller has not seen yet.
    void flushToController();

    // The processor's and the controller's states and the latest parameter
    // values as one stream. False (and `stream` untouched) when a part
    // cannot be saved.
    bool saveState(std::vector<uint8>& stream);
    // Restores such a stream. False, with processor, controller and
    // parameter values as they were, for a stream that is damaged,
    // truncated or refused by either object.
    bool loadState(const void* data, std::size_t size);

private:
    EffectPair() = default;
    bool init(IPluginFactory& factory, const TUID processorCid, FUnknown* hostContext);
    bool makeController(IPluginFactory& factory, FUnknown* hostContext);
    void readParameters();
    bool saveStates(std::vector<uint8>& processorState, std::vector<uint8>& controllerState);
    bool restoreController(IBStream& processorState, IBStream* controllerState);

    IPtr<IComponent> componentPtr;
    IPtr<IAudioProcessor> processorPtr;
    IPtr<IAudioHistory> historyPtr;
    IPtr<IEditController> controllerPtr;
    IPtr<IConnectionPoint> componentConnection;
    IPtr<IConnectionPoint> controllerConnection;
    bool componentInitialized = false;
    bool controllerInitialized = false;

    std::vector<ParameterInfo> parameterList;
    int32 bypass = -1;
    std::unique_ptr<ParameterHandoff> valueHandoff;
};

} // namespace Vst
} // namespace Steinberg
