// One CLAP plug-in hosted from a .clap file: its clap_entry initialised,
// the plug-in made through the factory and driven as a CLAP host drives it.
// The host side offers thread-check, params, state, gui, timer-support and
// posix-fd-support, and records what the plug-in asks of them, so that
// tests can check it. Parameters are CLAP's plain values.
#pragma once

#include "host/hostedplugin.h"
#include "host/sharedlibrary.h"

#include "clap/entry.h"
#include "clap/events.h"
#include "clap/ext/gui.h"
#include "clap/host.h"
#include "clap/plugin.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace KestrumHost
{

class ClapEntry
{
public:
    // Loads the file and calls clap_entry.init. Null with a reason.
    static std::shared_ptr<ClapEntry> open(const std::string& path, std::string& error);
    ~ClapEntry();
    const clap_plugin_entry_t& entry() const { return *clapEntry; }
    const void* factory(const char* id) const { return clapEntry->get_factory(id); }

private:
    ClapEntry() = default;
    std::unique_ptr<SharedLibrary> library;
    const clap_plugin_entry_t* clapEntry = nullptr;
};

class ClapPlugin : public HostedPlugin
{
public:
    struct ParamEvent
    {
        std::uint32_t time;
        std::uint32_t id;
        double value;
    };
    struct OutputEvent
    {
        std::uint16_t type;
        std::uint32_t id;
        double value;
    };

    // Makes and initialises the first plug-in of the factory. Null with a
    // reason.
    static std::unique_ptr<ClapPlugin> create(std::shared_ptr<ClapEntry> entry, std::string& error);
    static std::unique_ptr<ClapPlugin> open(const std::string& path, std::string& error);
    ~ClapPlugin() override;
    ClapPlugin(const ClapPlugin&) = delete;
    ClapPlugin& operator=(const ClapPlugin&) = delete;

    // HostedPlugin: activate and start processing; stereo at most.
    bool start(double sampleRate, int maxBlockSize, int numChannels) override;
    void stop() override;
    bool setParameter(std::uint32_t id, double plain) override;
    double getParameter(std::uint32_t id) const override;
    std::string getParameterText(std::uint32_t id) const override;
    bool process(const float* const* inputs, float* const* outputs, int numFrames) override;
    bool saveState(std::vector<std::uint8_t>& blob) override;
    bool restoreState(const std::vector<std::uint8_t>& blob) override;
    std::string name() const override;

    // One process call with these events (sorted by time); inputs and
    // outputs may be the same buffers.
    clap_process_status processWithEvents(const float* const* inputs, float* const* outputs,
                                          int numFrames, const std::vector<ParamEvent>& events);
    // params.flush with these events, outside processing.
    void flush(const std::vector<ParamEvent>& events);
    std::vector<OutputEvent> takeOutputEvents();

    const clap_plugin_t* plugin() const { return clapPlugin; }
    template <typename T> const T* extension(const char* id) const
    {
        return static_cast<const T*>(clapPlugin->get_extension(clapPlugin, id));
    }

    // What the plug-in asked of the host.
    struct Requests
    {
        int flush = 0;
        int callback = 0;
        int rescan = 0;
        int resize = 0;
    };
    const Requests& requests() const { return asked; }
    // Runs on_main_thread when the plug-in asked for it.
    void serviceMainThread();
    // Fires every registered timer once, and the fd callback for every
    // registered descriptor.
    void fireTimersAndFds();
    size_t timerCount() const { return timers.size(); }
    size_t fdCount() const { return fds.size(); }
    // Whether this host offers posix-fd-support (set before the GUI opens).
    void offerFdSupport(bool offer) { fdSupport = offer; }

private:
    ClapPlugin(std::shared_ptr<ClapEntry> entry);
    static const void* hostExtension(const clap_host_t* host, const char* id);
    static ClapPlugin* self(const clap_host_t* host);

    std::shared_ptr<ClapEntry> entry;
    clap_host_t host{};
    const clap_plugin_t* clapPlugin = nullptr;
    bool active = false;
    int channels = 2;
    bool inProcess = false;
    bool fdSupport = true;
    Requests asked;
    std::vector<std::uint32_t> timers;
    std::vector<int> fds;
    std::uint32_t nextTimer = 1;
    // Set through setParameter, delivered with the next block.
    std::vector<ParamEvent> pending;
    std::vector<OutputEvent> outputEvents;
};

} // namespace KestrumHost
