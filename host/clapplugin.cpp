#include "host/clapplugin.h"

#include "clap/ext/params.h"
#include "clap/ext/state.h"
#include "clap/ext/thread-check.h"
#include "clap/ext/timer-support.h"
#include "clap/plugin-factory.h"
#include "clap/process.h"
#include "clap/stream.h"

#include <algorithm>
#include <cstring>

namespace KestrumHost
{
namespace
{

// CLAP's posix-fd-support, as the full headers declare it.
struct HostPosixFdSupport
{
    bool (*register_fd)(const clap_host_t* host, int fd, uint32_t flags);
    bool (*modify_fd)(const clap_host_t* host, int fd, uint32_t flags);
    bool (*unregister_fd)(const clap_host_t* host, int fd);
};
struct PluginPosixFdSupport
{
    void (*on_fd)(const clap_plugin_t* plugin, int fd, uint32_t flags);
};
constexpr char kPosixFdSupport[] = "clap.posix-fd-support";

struct EventList
{
    std::vector<clap_event_param_value_t> events;

    static uint32_t size(const clap_input_events_t* list)
    {
        return static_cast<uint32_t>(static_cast<EventList*>(list->ctx)->events.size());
    }
    static const clap_event_header_t* get(const clap_input_events_t* list, uint32_t index)
    {
        auto& events = static_cast<EventList*>(list->ctx)->events;
        return index < events.size() ? &events[index].header : nullptr;
    }
};

EventList toEventList(const std::vector<ClapPlugin::ParamEvent>& events)
{
    EventList list;
    for (const ClapPlugin::ParamEvent& e : events)
    {
        clap_event_param_value_t event{};
        event.header = {sizeof(event), e.time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
        event.param_id = e.id;
        event.note_id = -1;
        event.port_index = -1;
        event.channel = -1;
        event.key = -1;
        event.value = e.value;
        list.events.push_back(event);
    }
    return list;
}

bool pushOutput(const clap_output_events_t* list, const clap_event_header_t* header)
{
    auto* out = static_cast<std::vector<ClapPlugin::OutputEvent>*>(list->ctx);
    ClapPlugin::OutputEvent event{header->type, 0, 0.0};
    if (header->type == CLAP_EVENT_PARAM_VALUE)
    {
        const auto* value = reinterpret_cast<const clap_event_param_value_t*>(header);
        event.id = value->param_id;
        event.value = value->value;
    }
    else if (header->type == CLAP_EVENT_PARAM_GESTURE_BEGIN ||
             header->type == CLAP_EVENT_PARAM_GESTURE_END)
        event.id = reinterpret_cast<const clap_event_param_gesture_t*>(header)->param_id;
    out->push_back(event);
    return true;
}

int64_t writeBytes(const clap_ostream_t* stream, const void* buffer, uint64_t size)
{
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(stream->ctx);
    const auto* data = static_cast<const std::uint8_t*>(buffer);
    bytes->insert(bytes->end(), data, data + size);
    return static_cast<int64_t>(size);
}

struct ReadCursor
{
    const std::vector<std::uint8_t>* bytes;
    size_t position;
};

int64_t readBytes(const clap_istream_t* stream, void* buffer, uint64_t size)
{
    auto* cursor = static_cast<ReadCursor*>(stream->ctx);
    // A few bytes at a time, as some hosts hand a stream over.
    const size_t n =
        std::min<size_t>({static_cast<size_t>(size), 5, cursor->bytes->size() - cursor->position});
    if (n > 0) // an empty state has no data to copy from
        std::memcpy(buffer, cursor->bytes->data() + cursor->position, n);
    cursor->position += n;
    return static_cast<int64_t>(n);
}

} // namespace

// --- Entry -------------------------------------------------------------------

std::shared_ptr<ClapEntry> ClapEntry::open(const std::string& path, std::string& error)
{
    std::shared_ptr<ClapEntry> loaded(new ClapEntry);
    loaded->library = SharedLibrary::open(path, error);
    if (!loaded->library)
        return nullptr;
    loaded->clapEntry =
        static_cast<const clap_plugin_entry_t*>(loaded->library->symbol("clap_entry"));
    if (!loaded->clapEntry || !clap_version_is_compatible(loaded->clapEntry->clap_version))
    {
        error = "no compatible clap_entry in '" + path + "'";
        loaded->clapEntry = nullptr;
        return nullptr;
    }
    if (!loaded->clapEntry->init(path.c_str()))
    {
        error = "clap_entry.init refused '" + path + "'";
        loaded->clapEntry = nullptr;
        return nullptr;
    }
    return loaded;
}

ClapEntry::~ClapEntry()
{
    if (clapEntry)
        clapEntry->deinit();
}

// --- Plug-in -----------------------------------------------------------------

ClapPlugin::ClapPlugin(std::shared_ptr<ClapEntry> entry) : entry(std::move(entry))
{
    host.clap_version = CLAP_VERSION;
    host.host_data = this;
    host.name = "Kestrum test host";
    host.vendor = "Kestrum";
    host.url = "";
    host.version = "1";
    host.get_extension = hostExtension;
    host.request_restart = [](const clap_host_t*) {};
    host.request_process = [](const clap_host_t*) {};
    host.request_callback = [](const clap_host_t* h) { ++self(h)->asked.callback; };
}

ClapPlugin* ClapPlugin::self(const clap_host_t* host)
{
    return static_cast<ClapPlugin*>(host->host_data);
}

const void* ClapPlugin::hostExtension(const clap_host_t* host, const char* id)
{
    static const clap_host_thread_check_t threadCheck = {
        [](const clap_host_t* h) { return !self(h)->inProcess; },
        [](const clap_host_t* h) { return self(h)->inProcess; }};
    static const clap_host_params_t params = {
        [](const clap_host_t* h, clap_param_rescan_flags) { ++self(h)->asked.rescan; },
        [](const clap_host_t*, clap_id, clap_param_clear_flags) {},
        [](const clap_host_t* h) { ++self(h)->asked.flush; }};
    static const clap_host_gui_t gui = {[](const clap_host_t*) {},
                                        [](const clap_host_t* h, uint32_t, uint32_t)
                                        {
                                            ++self(h)->asked.resize;
                                            return true;
                                        },
                                        [](const clap_host_t*) { return false; },
                                        [](const clap_host_t*) { return false; },
                                        [](const clap_host_t*, bool) {}};
    static const clap_host_timer_support_t timer = {
        [](const clap_host_t* h, uint32_t, clap_id* timerId)
        {
            *timerId = self(h)->nextTimer++;
            self(h)->timers.push_back(*timerId);
            return true;
        },
        [](const clap_host_t* h, clap_id timerId)
        {
            auto& list = self(h)->timers;
            const auto found = std::find(list.begin(), list.end(), timerId);
            if (found == list.end())
                return false;
            list.erase(found);
            return true;
        }};
    static const HostPosixFdSupport fd = {[](const clap_host_t* h, int fd, uint32_t)
                                          {
                                              self(h)->fds.push_back(fd);
                                              return true;
                                          },
                                          [](const clap_host_t*, int, uint32_t) { return true; },
                                          [](const clap_host_t* h, int fd)
                                          {
                                              auto& list = self(h)->fds;
                                              list.erase(std::remove(list.begin(), list.end(), fd),
                                                         list.end());
                                              return true;
                                          }};
    if (!id)
        return nullptr;
    if (std::strcmp(id, CLAP_EXT_THREAD_CHECK) == 0)
        return &threadCheck;
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0)
        return &params;
    if (std::strcmp(id, CLAP_EXT_GUI) == 0)
        return &gui;
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0)
        return &timer;
    if (std::strcmp(id, kPosixFdSupport) == 0 && self(host)->fdSupport)
        return &fd;
    return nullptr;
}

std::unique_ptr<ClapPlugin> ClapPlugin::create(std::shared_ptr<ClapEntry> entry, std::string& error)
{
    const auto* factory =
        entry ? static_cast<const clap_plugin_factory_t*>(entry->factory(CLAP_PLUGIN_FACTORY_ID))
              : nullptr;
    const clap_plugin_descriptor_t* descriptor = factory && factory->get_plugin_count(factory) > 0
                                                     ? factory->get_plugin_descriptor(factory, 0)
                                                     : nullptr;
    if (!descriptor)
    {
        error = "no plug-in in the factory";
        return nullptr;
    }
    std::unique_ptr<ClapPlugin> plugin(new ClapPlugin(std::move(entry)));
    plugin->clapPlugin = factory->create_plugin(factory, &plugin->host, descriptor->id);
    if (!plugin->clapPlugin || !plugin->clapPlugin->init(plugin->clapPlugin))
    {
        error = "the plug-in cannot be made or initialised";
        if (plugin->clapPlugin)
            plugin->clapPlugin->destroy(plugin->clapPlugin);
        plugin->clapPlugin = nullptr;
        return nullptr;
    }
    return plugin;
}

std::unique_ptr<ClapPlugin> ClapPlugin::open(const std::string& path, std::string& error)
{
    auto entry = ClapEntry::open(path, error);
    return entry ? create(std::move(entry), error) : nullptr;
}

ClapPlugin::~ClapPlugin()
{
    if (!clapPlugin)
        return;
    stop();
    clapPlugin->destroy(clapPlugin);
}

bool ClapPlugin::start(double sampleRate, int maxBlockSize, int numChannels)
{
    stop();
    if (numChannels < 1 || numChannels > 2 || maxBlockSize <= 0 ||
        !clapPlugin->activate(clapPlugin, sampleRate, 1, static_cast<uint32_t>(maxBlockSize)))
        return false;
    active = true;
    channels = numChannels;
    inProcess = true;
    const bool started = clapPlugin->start_processing(clapPlugin);
    inProcess = false;
    return started;
}

void ClapPlugin::stop()
{
    if (!active)
        return;
    inProcess = true;
    clapPlugin->stop_processing(clapPlugin);
    inProcess = false;
    clapPlugin->deactivate(clapPlugin);
    active = false;
}

bool ClapPlugin::setParameter(std::uint32_t id, double plain)
{
    pending.push_back({0, id, plain});
    if (!active)
    {
        flush(pending);
        pending.clear();
    }
    return true;
}

double ClapPlugin::getParameter(std::uint32_t id) const
{
    const auto* params = extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    double value = 0.0;
    return params && params->get_value(clapPlugin, id, &value) ? value : -1.0;
}

std::string ClapPlugin::getParameterText(std::uint32_t id) const
{
    const auto* params = extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    char text[256] = {};
    return params && params->value_to_text(clapPlugin, id, getParameter(id), text, sizeof(text))
               ? text
               : "";
}

clap_process_status ClapPlugin::processWithEvents(const float* const* inputs, float* const* outputs,
                                                  int numFrames,
                                                  const std::vector<ParamEvent>& events)
{
    EventList list = toEventList(events);
    const clap_input_events_t in = {&list, EventList::size, EventList::get};
    const clap_output_events_t out = {&outputEvents, pushOutput};
    clap_audio_buffer_t inputBuffer{const_cast<float**>(inputs), nullptr,
                                    static_cast<uint32_t>(channels), 0, 0};
    clap_audio_buffer_t outputBuffer{const_cast<float**>(outputs), nullptr,
                                     static_cast<uint32_t>(channels), 0, 0};
    clap_process_t process{};
    process.steady_time = -1;
    process.frames_count = static_cast<uint32_t>(numFrames);
    process.audio_inputs = &inputBuffer;
    process.audio_outputs = &outputBuffer;
    process.audio_inputs_count = 1;
    process.audio_outputs_count = 1;
    process.in_events = &in;
    process.out_events = &out;
    inProcess = true;
    const clap_process_status status = clapPlugin->process(clapPlugin, &process);
    inProcess = false;
    return status;
}

bool ClapPlugin::process(const float* const* inputs, float* const* outputs, int numFrames)
{
    std::vector<ParamEvent> events;
    events.swap(pending);
    return processWithEvents(inputs, outputs, numFrames, events) != CLAP_PROCESS_ERROR;
}

void ClapPlugin::flush(const std::vector<ParamEvent>& events)
{
    const auto* params = extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    EventList list = toEventList(events);
    const clap_input_events_t in = {&list, EventList::size, EventList::get};
    const clap_output_events_t out = {&outputEvents, pushOutput};
    if (params)
        params->flush(clapPlugin, &in, &out);
}

std::vector<ClapPlugin::OutputEvent> ClapPlugin::takeOutputEvents()
{
    std::vector<OutputEvent> taken;
    taken.swap(outputEvents);
    return taken;
}

void ClapPlugin::serviceMainThread()
{
    if (asked.callback > 0)
    {
        asked.callback = 0;
        clapPlugin->on_main_thread(clapPlugin);
    }
}

void ClapPlugin::fireTimersAndFds()
{
    const auto* timer = extension<clap_plugin_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
    const auto* fd = extension<PluginPosixFdSupport>(kPosixFdSupport);
    for (std::uint32_t id : std::vector<std::uint32_t>(timers))
        timer->on_timer(clapPlugin, id);
    for (int descriptor : std::vector<int>(fds))
        fd->on_fd(clapPlugin, descriptor, 1);
}

bool ClapPlugin::saveState(std::vector<std::uint8_t>& blob)
{
    const auto* state = extension<clap_plugin_state_t>(CLAP_EXT_STATE);
    std::vector<std::uint8_t> bytes;
    const clap_ostream_t stream = {&bytes, writeBytes};
    if (!state || !state->save(clapPlugin, &stream))
        return false;
    blob.swap(bytes);
    return true;
}

bool ClapPlugin::restoreState(const std::vector<std::uint8_t>& blob)
{
    const auto* state = extension<clap_plugin_state_t>(CLAP_EXT_STATE);
    ReadCursor cursor{&blob, 0};
    const clap_istream_t stream = {&cursor, readBytes};
    return state && state->load(clapPlugin, &stream);
}

std::string ClapPlugin::name() const
{
    return clapPlugin->desc->name;
}

} // namespace KestrumHost
