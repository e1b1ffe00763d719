#include "clap/clapplugin.h"

#include "clap/clapcomponenthandler.h"
#include "clap/clapeditor.h"

#include "clap/ext/audio-ports.h"
#include "clap/ext/latency.h"
#include "clap/ext/state.h"

#include "pluginterfaces/vst/vstspeaker.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

namespace Steinberg
{
namespace Vst
{
namespace
{

// CLAP hosts see one main port each way, mono or stereo.
constexpr int32 kMaxChannels = 2;
constexpr clap_id kMainPortId = 0;
// Output parameter changes are accepted (a processor may write them) but
// not forwarded.
constexpr int32 kOutputPointsPerParameter = 4;
// The longest stream a state may be: far above what any plug-in of this
// kind saves, so that a stream that never ends cannot take all memory.
constexpr std::size_t kMaxStateSize = 1 << 24;

// --- The C entry points ------------------------------------------------------

ClapPlugin* self(const clap_plugin_t* plugin)
{
    return ClapPlugin::from(plugin);
}

bool pluginInit(const clap_plugin_t* p)
{
    return self(p)->init();
}
void pluginDestroy(const clap_plugin_t* p)
{
    delete self(p);
}
bool pluginActivate(const clap_plugin_t* p, double rate, uint32_t minFrames, uint32_t maxFrames)
{
    return self(p)->activate(rate, minFrames, maxFrames);
}
void pluginDeactivate(const clap_plugin_t* p)
{
    self(p)->deactivate();
}
bool pluginStartProcessing(const clap_plugin_t* p)
{
    return self(p)->startProcessing();
}
void pluginStopProcessing(const clap_plugin_t* p)
{
    self(p)->stopProcessing();
}
void pluginReset(const clap_plugin_t* p)
{
    self(p)->reset();
}
clap_process_status pluginProcess(const clap_plugin_t* p, const clap_process_t* process)
{
    return process ? self(p)->process(*process) : CLAP_PROCESS_ERROR;
}
const void* pluginExtension(const clap_plugin_t* p, const char* id)
{
    return self(p)->extension(id);
}
void pluginOnMainThread(const clap_plugin_t* p)
{
    self(p)->onMainThread();
}

uint32_t portsCount(const clap_plugin_t* p, bool isInput)
{
    return self(p)->audioPortCount(isInput);
}
bool portsGet(const clap_plugin_t* p, uint32_t index, bool isInput, clap_audio_port_info_t* info)
{
    return self(p)->audioPortInfo(index, isInput, info);
}
const clap_plugin_audio_ports_t kAudioPorts = {portsCount, portsGet};

uint32_t portConfigsCount(const clap_plugin_t* p)
{
    return self(p)->portConfigCount();
}
bool portConfigsGet(const clap_plugin_t* p, uint32_t index, clap_audio_ports_config_t* config)
{
    return self(p)->portConfigInfo(index, config);
}
bool portConfigsSelect(const clap_plugin_t* p, clap_id id)
{
    return self(p)->selectPortConfig(id);
}
const clap_plugin_audio_ports_config_t kAudioPortsConfig = {portConfigsCount, portConfigsGet,
                                                            portConfigsSelect};

const char* portTypeFor(int32 channels)
{
    return channels == 2 ? CLAP_PORT_STEREO : channels == 1 ? CLAP_PORT_MONO : nullptr;
}

uint32_t latencyGet(const clap_plugin_t* p)
{
    return self(p)->latency();
}
const clap_plugin_latency_t kLatency = {latencyGet};

uint32_t tailGet(const clap_plugin_t* p)
{
    return self(p)->tail();
}
const clap_plugin_tail_t kTail = {tailGet};

bool stateSave(const clap_plugin_t* p, const clap_ostream_t* stream)
{
    return self(p)->saveState(stream);
}
bool stateLoad(const clap_plugin_t* p, const clap_istream_t* stream)
{
    return self(p)->loadState(stream);
}
const clap_plugin_state_t kState = {stateSave, stateLoad};

uint32_t paramsCount(const clap_plugin_t* p)
{
    return self(p)->parameterCount();
}
bool paramsInfo(const clap_plugin_t* p, uint32_t index, clap_param_info_t* info)
{
    return self(p)->parameterInfo(index, info);
}
bool paramsValue(const clap_plugin_t* p, clap_id id, double* value)
{
    return self(p)->parameterValue(id, value);
}
bool paramsToText(const clap_plugin_t* p, clap_id id, double value, char* display, uint32_t size)
{
    return self(p)->valueToText(id, value, display, size);
}
bool paramsToValue(const clap_plugin_t* p, clap_id id, const char* display, double* value)
{
    return self(p)->textToValue(id, display, value);
}
void paramsFlush(const clap_plugin_t* p, const clap_input_events_t* in,
                 const clap_output_events_t* out)
{
    self(p)->flush(in, out);
}
const clap_plugin_params_t kParams = {paramsCount,  paramsInfo,    paramsValue,
                                      paramsToText, paramsToValue, paramsFlush};

} // namespace

// --- Life cycle --------------------------------------------------------------

ClapPlugin* ClapPlugin::create(const ClapPluginDefinition& definition, const clap_host_t* host)
{
    if (!host || !definition.descriptor)
        return nullptr;
    return new (std::nothrow) ClapPlugin(definition, host);
}

ClapPlugin::ClapPlugin(const ClapPluginDefinition& definition, const clap_host_t* host)
    : definition(definition), host(host), hostContext(host->name ? host->name : "CLAP host")
{
    plugin.desc = definition.descriptor;
    plugin.plugin_data = this;
    plugin.init = pluginInit;
    plugin.destroy = pluginDestroy;
    plugin.activate = pluginActivate;
    plugin.deactivate = pluginDeactivate;
    plugin.start_processing = pluginStartProcessing;
    plugin.stop_processing = pluginStopProcessing;
    plugin.reset = pluginReset;
    plugin.process = pluginProcess;
    plugin.get_extension = pluginExtension;
    plugin.on_main_thread = pluginOnMainThread;
}

ClapPlugin::~ClapPlugin()
{
    // A host may destroy an active plug-in; the editor goes while its
    // controller still works.
    guiEditor.reset();
    if (processing)
        stopProcessing();
    if (active)
        deactivate();
    pair.reset();
}

ClapPlugin* ClapPlugin::from(const clap_plugin_t* plugin)
{
    return static_cast<ClapPlugin*>(plugin->plugin_data);
}

bool ClapPlugin::init()
{
    if (pair)
        return true;
    hostParams = hostExtension<clap_host_params_t>(CLAP_EXT_PARAMS);
    hostThreadCheck = hostExtension<clap_host_thread_check_t>(CLAP_EXT_THREAD_CHECK);

    IPluginFactory* factory = definition.factory ? definition.factory() : nullptr;
    if (!factory)
        return false;
    TUID processorCid;
    definition.processorCid.toTUID(processorCid);
    pair = EffectPair::create(*factory, processorCid, &hostContext);
    factory->release();
    const bool configured = !definition.portConfigs.empty();
    selectedConfig = configured ? definition.portConfigs.front().id : CLAP_INVALID_ID;
    if (!pair || !pair->setUpMainBuses(configured ? definition.portConfigs.front().arrangement
                                                  : SpeakerArr::kStereo,
                                       kMaxChannels, numInputs, numOutputs))
    {
        pair.reset();
        return false;
    }

    const auto numParameters = static_cast<int32>(pair->parameters().size());
    gestures = std::make_unique<std::atomic<uint8_t>[]>(static_cast<size_t>(numParameters));
    componentHandler = std::make_unique<ClapComponentHandler>(*this, *pair);
    pair->controller().setComponentHandler(componentHandler.get());
    // One point per parameter and slice: a slice ends at every event.
    inputChanges = std::make_unique<ParameterChanges>(numParameters, 1);
    outputChanges = std::make_unique<ParameterChanges>(numParameters, kOutputPointsPerParameter);
    guiEditor = std::make_unique<ClapEditor>(*this);
    return true;
}

bool ClapPlugin::activate(double rate, uint32_t /*minFrames*/, uint32_t frames)
{
    if (!pair || active || !std::isfinite(rate) || rate <= 0.0 || frames == 0 ||
        frames > static_cast<uint32_t>(std::numeric_limits<int32>::max()))
        return false;
    ProcessSetup setup{kRealtime, kSample32, static_cast<int32>(frames), rate};
    if (pair->processor().setupProcessing(setup) != kResultOk)
        return false;

    maxFrames = frames;
    sampleRate = rate;
    silence.assign(frames, 0.f);
    discard.assign(frames, 0.f);
    block.bind(numInputs, numOutputs, inputChanges.get(), outputChanges.get());

    if (pair->component().setActive(true) != kResultOk)
        return false;
    active = true;
    return true;
}

void ClapPlugin::deactivate()
{
    if (!active)
        return;
    if (processing)
        stopProcessing();
    pair->component().setActive(false);
    active = false;
}

bool ClapPlugin::startProcessing()
{
    if (!active)
        return false;
    if (!processing)
        pair->processor().setProcessing(true);
    processing = true;
    return true;
}

void ClapPlugin::stopProcessing()
{
    if (!processing)
        return;
    pair->processor().setProcessing(false);
    processing = false;
}

void ClapPlugin::reset()
{
    // Not setActive, which sends messages and may allocate: CLAP calls reset
    // on the audio thread. A processor without IAudioHistory keeps its
    // history, which dies away within its tail.
    if (active && pair->history())
        pair->history()->clearAudioHistory();
}

const void* ClapPlugin::extension(const char* id) const
{
    if (!id)
        return nullptr;
    struct Entry
    {
        const char* id;
        const void* extension;
    };
    const Entry entries[] = {
        {CLAP_EXT_AUDIO_PORTS, &kAudioPorts},
        {CLAP_EXT_AUDIO_PORTS_CONFIG,
         definition.portConfigs.size() > 1 ? &kAudioPortsConfig : nullptr},
        {CLAP_EXT_PARAMS, &kParams},
        {CLAP_EXT_STATE, &kState},
        {CLAP_EXT_LATENCY, &kLatency},
        {CLAP_EXT_TAIL, &kTail},
        {CLAP_EXT_GUI, guiEditor ? ClapEditor::guiExtension() : nullptr},
        {CLAP_EXT_TIMER_SUPPORT, guiEditor ? ClapEditor::timerExtension() : nullptr},
        {CLAP_EXT_POSIX_FD_SUPPORT, guiEditor ? ClapEditor::posixFdExtension() : nullptr},
    };
    for (const Entry& entry : entries)
    {
        if (std::strcmp(id, entry.id) == 0)
            return entry.extension;
    }
    return nullptr;
}

void ClapPlugin::onMainThread()
{
    if (pair && controllerBehind.exchange(false))
        pair->flushToController();
}

bool ClapPlugin::onMainThreadNow() const
{
    return !hostThreadCheck || !hostThreadCheck->is_main_thread ||
           hostThreadCheck->is_main_thread(host);
}

// --- Audio ports, latency, tail ---------------------------------------------

uint32_t ClapPlugin::audioPortCount(bool isInput) const
{
    return (isInput ? numInputs : numOutputs) > 0 ? 1 : 0;
}

bool ClapPlugin::audioPortInfo(uint32_t index, bool isInput, clap_audio_port_info_t* info) const
{
    const int32 channels = isInput ? numInputs : numOutputs;
    if (!info || index != 0 || channels <= 0)
        return false;
    *info = clap_audio_port_info_t{};
    info->id = kMainPortId;
    std::snprintf(info->name, sizeof(info->name), "%s", isInput ? "Input" : "Output");
    // 32-bit only, as the processor takes it.
    info->flags = CLAP_AUDIO_PORT_IS_MAIN;
    info->channel_count = static_cast<uint32_t>(channels);
    info->port_type = portTypeFor(channels);
    // The processor works in place: output i may share input i's buffer.
    info->in_place_pair = numInputs == numOutputs ? kMainPortId : CLAP_INVALID_ID;
    return true;
}

uint32_t ClapPlugin::portConfigCount() const
{
    return static_cast<uint32_t>(definition.portConfigs.size());
}

bool ClapPlugin::portConfigInfo(uint32_t index, clap_audio_ports_config_t* config) const
{
    if (!config || index >= definition.portConfigs.size())
        return false;
    const ClapPortConfig& offered = definition.portConfigs[index];
    const int32 channels = SpeakerArr::getChannelCount(offered.arrangement);
    *config = clap_audio_ports_config_t{};
    config->id = offered.id;
    std::snprintf(config->name, sizeof(config->name), "%s", offered.name);
    config->input_port_count = 1;
    config->output_port_count = 1;
    config->has_main_input = true;
    config->main_input_channel_count = static_cast<uint32_t>(channels);
    config->main_input_port_type = portTypeFor(channels);
    config->has_main_output = true;
    config->main_output_channel_count = static_cast<uint32_t>(channels);
    config->main_output_port_type = portTypeFor(channels);
    return true;
}

bool ClapPlugin::selectPortConfig(clap_id id)
{
    const ClapPortConfig* wanted = nullptr;
    const ClapPortConfig* current = nullptr;
    for (const ClapPortConfig& config : definition.portConfigs)
    {
        if (config.id == id)
            wanted = &config;
        if (config.id == selectedConfig)
            current = &config;
    }
    if (!pair || active || !wanted || !current || !onMainThreadNow())
        return false;
    const int32 channels = SpeakerArr::getChannelCount(wanted->arrangement);
    int32 inputs = 0;
    int32 outputs = 0;
    if (pair->setUpMainBuses(wanted->arrangement, kMaxChannels, inputs, outputs) &&
        inputs == channels && outputs == channels)
    {
        numInputs = inputs;
        numOutputs = outputs;
        selectedConfig = id;
        return true;
    }
    // Refused: the layout in force stays.
    pair->setUpMainBuses(current->arrangement, kMaxChannels, numInputs, numOutputs);
    return false;
}

uint32_t ClapPlugin::latency() const
{
    return pair ? pair->processor().getLatencySamples() : 0;
}

uint32_t ClapPlugin::tail() const
{
    const double samples = std::ceil(definition.tailSeconds * sampleRate);
    return samples < static_cast<double>(std::numeric_limits<int32_t>::max())
               ? static_cast<uint32_t>(std::max(0.0, samples))
               : static_cast<uint32_t>(std::numeric_limits<int32_t>::max());
}

// --- Processing (audio thread) ----------------------------------------------

clap_process_status ClapPlugin::process(const clap_process_t& p)
{
    if (!active || p.frames_count > maxFrames)
        return CLAP_PROCESS_ERROR;
    inputChanges->clear();
    outputChanges->clear();
    sendEdits(p.out_events);

    // The block is cut at every parameter event: the changes before an
    // event's time run with the old values, the rest with the new.
    uint32_t position = 0;
    const uint32_t numEvents = p.in_events ? p.in_events->size(p.in_events) : 0;
    for (uint32_t i = 0; i < numEvents; ++i)
    {
        const clap_event_header_t* header = p.in_events->get(p.in_events, i);
        if (!header)
            continue;
        const uint32_t time = std::min(header->time, p.frames_count);
        if (time > position)
        {
            processSlice(p, position, time - position);
            position = time;
        }
        takeInputEvent(*header);
    }
    if (p.frames_count > position || !inputChanges->empty())
        processSlice(p, position, p.frames_count - position);
    if (controllerBehind.load(std::memory_order_relaxed) && host->request_callback)
        host->request_callback(host);
    // The filter's output dies away with the input: a host may put a quiet
    // Kestrum to sleep and wake it when audio returns.
    return CLAP_PROCESS_CONTINUE_IF_NOT_QUIET;
}

void ClapPlugin::takeInputEvent(const clap_event_header_t& header)
{
    if (header.space_id != CLAP_CORE_EVENT_SPACE_ID || header.type != CLAP_EVENT_PARAM_VALUE ||
        header.size < sizeof(clap_event_param_value_t))
        return;
    const auto& event = reinterpret_cast<const clap_event_param_value_t&>(header);
    const int32 index = pair->indexOf(event.param_id);
    if (index < 0 || !std::isfinite(event.value))
        return;
    const ParamValue normalized = toNormalized(index, event.value);
    inputChanges->add(event.param_id, normalized);
    pair->handoff().set(index, normalized, ParameterHandoff::Origin::kHostDelivered);
    controllerBehind.store(true, std::memory_order_relaxed);
}

void ClapPlugin::processSlice(const clap_process_t& p, uint32_t offset, uint32_t frames)
{
    const clap_audio_buffer_t* in = p.audio_inputs_count > 0 ? p.audio_inputs : nullptr;
    const clap_audio_buffer_t* out = p.audio_outputs_count > 0 ? p.audio_outputs : nullptr;
    for (int32 c = 0; c < numInputs; ++c)
    {
        float* buffer = in && in->data32 && static_cast<uint32_t>(c) < in->channel_count
                            ? in->data32[c]
                            : nullptr;
        block.inputChannels[static_cast<size_t>(c)] = buffer ? buffer + offset : silence.data();
    }
    for (int32 c = 0; c < numOutputs; ++c)
    {
        float* buffer = out && out->data32 && static_cast<uint32_t>(c) < out->channel_count
                            ? out->data32[c]
                            : nullptr;
        block.outputChannels[static_cast<size_t>(c)] = buffer ? buffer + offset : discard.data();
    }
    block.inputBus.silenceFlags = 0;
    block.data.numSamples = static_cast<int32>(frames);
    pair->processor().process(block.data);
    inputChanges->clear();
    outputChanges->clear();
}

// --- State ---------------------------------------------------------------------

bool ClapPlugin::saveState(const clap_ostream_t* stream)
{
    if (!pair || !stream || !stream->write || !onMainThreadNow())
        return false;
    std::vector<uint8> bytes;
    if (!pair->saveState(bytes))
        return false;
    // A host's stream may take fewer bytes per call than offered.
    for (size_t written = 0; written < bytes.size();)
    {
        const int64_t n = stream->write(stream, bytes.data() + written, bytes.size() - written);
        if (n <= 0)
            return false;
        written += static_cast<size_t>(n);
    }
    return true;
}

bool ClapPlugin::loadState(const clap_istream_t* stream)
{
    if (!pair || !stream || !stream->read || !onMainThreadNow())
        return false;
    std::vector<uint8> bytes;
    uint8 buffer[4096];
    for (;;)
    {
        const int64_t n = stream->read(stream, buffer, sizeof(buffer));
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (bytes.size() + static_cast<size_t>(n) > kMaxStateSize)
            return false;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    if (!pair->loadState(bytes.data(), bytes.size()))
        return false;
    // Values the restored state left for the processor reach it with the
    // next block or flush.
    rescanParameters(CLAP_PARAM_RESCAN_VALUES);
    return true;
}

} // namespace Vst
} // namespace Steinberg
