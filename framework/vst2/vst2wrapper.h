// A VST 2.4 effect over a VST 3 processor and its edit controller, made
// through the module's plug-in factory. The host sees one AEffect; behind it
// the wrapper plays the VST 3 host: it initialises and connects both objects,
// forwards parameters, processing and state, and turns the controller's edits
// into VST 2 automation.
//
// Threads: processReplacing on the host's audio thread; setParameter and
// getParameter on any thread; everything else on the host's main thread.
#pragma once

#include "adapter/effectpair.h"
#include "adapter/hostcontext.h"
#include "adapter/processblock.h"
#include "vst2/vst2abi.h"
#include "vst2/vst2classinfo.h"
#include "vst2/vst2componenthandler.h"
#include "vst2/vst2editoradapter.h"
#include "vst3/parameterchanges.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <atomic>
#include <memory>
#include <vector>

namespace Steinberg
{
namespace Vst
{

class Vst2Wrapper
{
public:
    // Makes the effect for the processor class `processorCid` of `factory`
    // and takes over the factory reference the caller got from
    // GetPluginFactory (released before returning). Null without a factory,
    // without a processor or controller, or when they refuse to initialise.
    static Vst2Wrapper* create(IPluginFactory* factory, const TUID processorCid, int32 vst2UniqueId,
                               audioMasterCallback host);

    // Runs DeinitModule after the VST 3 objects are gone. Hosts destroy the
    // wrapper through effClose.
    ~Vst2Wrapper();

    Vst2Wrapper(const Vst2Wrapper&) = delete;
    Vst2Wrapper& operator=(const Vst2Wrapper&) = delete;

    AEffect* getAEffect() { return &effect; }

    // The category effGetPlugCategory answers instead of the one the VST 3
    // sub-categories map to, for a class that VST 2 files more precisely
    // (VST 2's categories are not VST 3's). A number outside
    // Vst2::PlugCategory is ignored.
    void setPlugCategory(int32 category);

private:
    explicit Vst2Wrapper(audioMasterCallback host);

    bool init(IPluginFactory& factory, const TUID processorCid, int32 vst2UniqueId);
    void setUpParameters();
    void fillEffect(int32 vst2UniqueId);

    intptr_t dispatch(int32 opcode, int32 index, intptr_t value, void* ptr, float opt);
    void setParameter(int32 index, float value);
    float getParameter(int32 index) const;
    void processReplacing(const float* const* inputs, float* const* outputs, int32 frames);
    void processAccumulating(const float* const* inputs, float* const* outputs, int32 frames);
    void processBlock(const float* const* inputs, float* const* outputs, int32 offset,
                      int32 frames);

    void resume();
    void suspend();
    void changeSetup(double newSampleRate, int32 newBlockSize);
    void allocateBuffers();

    bool getParameterText(int32 opcode, int32 index, char* text) const;
    intptr_t canDo(const char* feature) const;
    bool setSpeakerArrangement(intptr_t inputs, void* outputs) const;
    bool stringToParameter(int32 index, const char* text);

    intptr_t getChunk(void** data);
    intptr_t setChunk(const void* data, intptr_t size);

    static intptr_t dispatcherCallback(AEffect* effect, VST_EFFECT_OPCODE opcode, int32_t index,
                                       intptr_t value, void* ptr, float opt);
    static void setParameterCallback(AEffect* effect, uint32_t index, float value);
    static float getParameterCallback(AEffect* effect, uint32_t index);
    static void processReplacingCallback(AEffect* effect, const float* const* inputs,
                                         float** outputs, int32_t frames);
    static void processCallback(AEffect* effect, const float* const* inputs, float** outputs,
                                int32_t frames);
    static Vst2Wrapper* fromEffect(AEffect* effect);

    AEffect effect{};
    audioMasterCallback host;
    AdapterHostContext hostContext;
    Vst2ClassDescription description;
    int32 plugCategory = -1;

    // The pair's parameter index is the VST 2 index.
    std::unique_ptr<EffectPair> pair;
    // The pair's objects, for short.
    IComponent* component = nullptr;
    IAudioProcessor* processor = nullptr;
    IEditController* controller = nullptr;
    std::unique_ptr<Vst2ComponentHandler> componentHandler;
    std::unique_ptr<Vst2EditorAdapter> editor;

    // Audio thread state, sized on the main thread while suspended.
    std::atomic<bool> active{false};
    double sampleRate = 44100.0;
    int32 blockSize = 1024;
    int32 numInputChannels = 0;
    int32 numOutputChannels = 0;
    std::unique_ptr<ParameterChanges> inputChanges;
    std::unique_ptr<ParameterChanges> outputChanges;
    std::vector<float*> scratchPointers;
    std::vector<float> silence; // stands in for input channels the host left out
    std::vector<float> discard; // takes output channels the host left out
    std::vector<float> scratch; // the accumulating process's own output
    ProcessBlock block;
    ProcessContext processContext{};

    // The last chunk handed to the host: it stays valid until the next
    // effGetChunk or the effect's end.
    std::vector<uint8> chunk;
};

} // namespace Vst
} // namespace Steinberg
