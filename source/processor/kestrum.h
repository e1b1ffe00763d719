// The audio processor component: one main audio input and output bus, the
// Bypass and Mode parameters, and a DcOffsetFilter run over every block.
#pragma once

#include "processor/dcoffsetfilter.h"
#include "vst3/audioeffect.h"
#include "vst3/audiohistory.h"

#include <atomic>
#include <cstdint>

namespace Kestrum
{

class Kestrum : public Steinberg::Vst::AudioEffect, public Steinberg::Vst::IAudioHistory
{
public:
    Kestrum();

    static Steinberg::FUnknown* createInstance(void* context);

    // IPluginBase
    Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API terminate() SMTG_OVERRIDE;

    // IComponent
    Steinberg::tresult PLUGIN_API setActive(Steinberg::TBool state) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) SMTG_OVERRIDE;

    // IAudioProcessor
    Steinberg::tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                                     Steinberg::int32 numIns,
                                                     Steinberg::Vst::SpeakerArrangement* outputs,
                                                     Steinberg::int32 numOuts) SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup)
        SMTG_OVERRIDE;
    Steinberg::tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) SMTG_OVERRIDE;

    // IAudioHistory: the filter starts from silence, as after setActive.
    void PLUGIN_API clearAudioHistory() SMTG_OVERRIDE { filter.clearRegisters(); }

    OBJ_METHODS(Kestrum, AudioEffect)
    DEFINE_INTERFACES
    DEF_INTERFACE(IAudioHistory)
    END_DEFINE_INTERFACES(AudioEffect)
    REFCOUNT_METHODS(AudioEffect)

    // IConnectionPoint / ComponentBase
    Steinberg::tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) SMTG_OVERRIDE;
    Steinberg::tresult receiveText(const char* text) SMTG_OVERRIDE;

    // For tests and diagnostics: what the audio thread last applied.
    FilterMode getFilterMode() const { return filter.getMode(); }
    int32_t getFilterChannelCount() const { return filter.getChannelCount(); }
    bool isBypassed() const { return bypass.load(std::memory_order_relaxed); }
    float getModeValue() const { return modeValue.load(std::memory_order_relaxed); }

private:
    void applyModeValue(float value);
    Steinberg::tresult takeControllerValue(Steinberg::Vst::ParamID id,
                                           Steinberg::Vst::ParamValue value);
    void applyParameterChanges(Steinberg::Vst::IParameterChanges& changes);
    void processAudio(Steinberg::Vst::ProcessData& data);
    void updateSampleRate();

    // Written by parameter changes on the audio thread and by setState on the
    // main thread, read by both: single words behind atomics.
    std::atomic<bool> bypass{false};
    std::atomic<float> modeValue{0.5f};
    // Set by setState; the audio thread applies modeValue to the filter at the
    // start of its next block, so coefficients never change mid-block.
    std::atomic<bool> restoredModePending{false};
    // What getState saves: the value the host set last, whether through the
    // parameter queues, setState or the controller (whose message may come
    // before the queues bring the value to the audio thread). Last writer wins.
    std::atomic<bool> latestBypass{false};
    std::atomic<float> latestModeValue{0.5f};
    static_assert(std::atomic<float>::is_always_lock_free, "the audio thread must not lock");

    Steinberg::int32 sampleRateHz = 0;
    DcOffsetFilter filter;
};

} // namespace Kestrum
