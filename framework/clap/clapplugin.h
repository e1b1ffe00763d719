// A CLAP plug-in over a VST 3 processor, its edit controller and its editor
// view (EffectPair): the adapter translates CLAP's life cycle, audio
// buffers, parameter events (split at their sample offsets, so that every
// change lands on its exact sample), state and GUI into VST 3 calls.
//
// Threads, as CLAP names them: process() and, while active, flush() on the
// audio thread; everything else on the main thread. Values cross between
// them only through the pair's handoff and the atomics here.
#pragma once

#include "adapter/effectpair.h"
#include "adapter/hostcontext.h"
#include "adapter/processblock.h"
#include "clap/clapdefinition.h"
#include "clap/clapext.h"
#include "vst3/parameterchanges.h"

#include "clap/ext/audio-ports.h"
#include "clap/ext/params.h"
#include "clap/ext/thread-check.h"
#include "clap/host.h"
#include "clap/process.h"
#include "clap/stream.h"

#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace Steinberg
{
namespace Vst
{

class ClapComponentHandler;
class ClapEditor;

class ClapPlugin
{
public:
    // Null when the host is missing; the VST 3 objects are made in init().
    static ClapPlugin* create(const ClapPluginDefinition& definition, const clap_host_t* host);
    ~ClapPlugin();
    ClapPlugin(const ClapPlugin&) = delete;
    ClapPlugin& operator=(const ClapPlugin&) = delete;

    const clap_plugin_t* clapPlugin() const { return &plugin; }
    static ClapPlugin* from(const clap_plugin_t* plugin);

    // Life cycle.
    bool init();
    bool activate(double sampleRate, uint32_t minFrames, uint32_t maxFrames);
    void deactivate();
    bool startProcessing();
    void stopProcessing();
    void reset();
    clap_process_status process(const clap_process_t& process);
    const void* extension(const char* id) const;
    void onMainThread();

    // Audio ports, latency and tail.
    uint32_t audioPortCount(bool isInput) const;
    bool audioPortInfo(uint32_t index, bool isInput, clap_audio_port_info_t* info) const;
    // The layouts the definition offers; a host selects one while inactive.
    uint32_t portConfigCount() const;
    bool portConfigInfo(uint32_t index, clap_audio_ports_config_t* config) const;
    bool selectPortConfig(clap_id id);
    uint32_t latency() const;
    uint32_t tail() const;

    // Parameters (clapparams.cpp). Values are CLAP's plain values.
    uint32_t parameterCount() const;
    bool parameterInfo(uint32_t index, clap_param_info_t* info) const;
    bool parameterValue(clap_id id, double* value) const;
    bool valueToText(clap_id id, double value, char* display, uint32_t size) const;
    bool textToValue(clap_id id, const char* display, double* value) const;
    void flush(const clap_input_events_t* in, const clap_output_events_t* out);

    // State: the pair's one stream.
    bool saveState(const clap_ostream_t* stream);
    bool loadState(const clap_istream_t* stream);

    // The editor's component handler calls: an edit in the plug-in's own
    // editor goes to the processor and, as output events, to the host.
    void beginEdit(int32 index);
    void performEdit(int32 index, ParamValue normalized);
    void endEdit(int32 index);
    // Asks the host to read the parameters' values (and texts) again.
    void rescanParameters(clap_param_rescan_flags flags);

    ClapEditor* editor() const { return guiEditor.get(); }
    const clap_host_t* clapHost() const { return host; }
    // One of the host's extensions, null when the host lacks it.
    template <typename T> const T* hostExtension(const char* id) const
    {
        return host->get_extension ? static_cast<const T*>(host->get_extension(host, id)) : nullptr;
    }
    IEditController& controller() const { return pair->controller(); }

private:
    ClapPlugin(const ClapPluginDefinition& definition, const clap_host_t* host);
    bool onMainThreadNow() const;

    // Parameter conversions, by the pair's index.
    const ClapParameterScale* scaleOf(int32 index) const;
    ParamValue toNormalized(int32 index, double plain) const;
    double toPlain(int32 index, ParamValue normalized) const;
    double maxValueOf(int32 index) const;

    // Audio thread.
    void takeInputEvent(const clap_event_header_t& header);
    void sendEdits(const clap_output_events_t* out);
    void processSlice(const clap_process_t& process, uint32_t offset, uint32_t frames);
    bool pushParameterEvent(const clap_output_events_t* out, uint16_t type, int32 index,
                            double value) const;

    clap_plugin_t plugin{};
    const ClapPluginDefinition& definition;
    const clap_host_t* host;
    const clap_host_params_t* hostParams = nullptr;
    const clap_host_thread_check_t* hostThreadCheck = nullptr;

    AdapterHostContext hostContext;
    std::unique_ptr<EffectPair> pair;
    std::unique_ptr<ClapComponentHandler> componentHandler;
    std::unique_ptr<ClapEditor> guiEditor;
    int32 numInputs = 0;
    int32 numOutputs = 0;
    clap_id selectedConfig = CLAP_INVALID_ID;

    // The editor's gestures on their way to the host's output events.
    enum GestureFlags : uint8_t
    {
        kBeginPending = 1,
        kEndPending = 2,
    };
    std::unique_ptr<std::atomic<uint8_t>[]> gestures;
    // Set on the audio thread when the controller has values to learn.
    std::atomic<bool> controllerBehind{false};

    // Audio thread state, sized on the main thread while inactive.
    bool active = false;
    bool processing = false;
    uint32_t maxFrames = 0;
    std::unique_ptr<ParameterChanges> inputChanges;
    std::unique_ptr<ParameterChanges> outputChanges;
    std::vector<float> silence; // stands in for input channels the host left out
    std::vector<float> discard; // takes output channels the host left out
    ProcessBlock block;
    double sampleRate = 44100.0;
};

} // namespace Vst
} // namespace Steinberg
