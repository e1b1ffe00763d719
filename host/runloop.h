// The host's Linux run loop for plug-in editors: file descriptors and timers
// that plug-ins register, serviced by poll() in the caller's thread.
#pragma once

#include "base/source/fobject.h"
#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"

#include <chrono>
#include <vector>

namespace KestrumHost
{

class RunLoop : public Steinberg::FObject, public Steinberg::Linux::IRunLoop
{
public:
    // Services handlers and timers for about `milliseconds` (at least one
    // pass), sleeping in poll() between events.
    void run(int milliseconds);
    // Services what is ready now without waiting.
    void runOnce() { pass(0); }

    std::size_t handlerCount() const { return handlers.size(); }
    std::size_t timerCount() const { return timers.size(); }

    Steinberg::tresult PLUGIN_API registerEventHandler(
        Steinberg::Linux::IEventHandler* handler, Steinberg::Linux::FileDescriptor fd) override;
    Steinberg::tresult PLUGIN_API
    unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
    Steinberg::tresult PLUGIN_API registerTimer(Steinberg::Linux::ITimerHandler* handler,
                                                Steinberg::Linux::TimerInterval ms) override;
    Steinberg::tresult PLUGIN_API
    unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

    OBJ_METHODS(RunLoop, FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(Steinberg::Linux::IRunLoop)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)

private:
    using Clock = std::chrono::steady_clock;
    struct Handler
    {
        Steinberg::IPtr<Steinberg::Linux::IEventHandler> handler;
        int fd;
        std::uint64_t serial;
    };
    struct Timer
    {
        Steinberg::IPtr<Steinberg::Linux::ITimerHandler> handler;
        std::chrono::milliseconds interval;
        Clock::time_point due;
        std::uint64_t serial;
    };

    // One poll of at most timeoutMs, then the ready handlers and due timers.
    void pass(int timeoutMs);
    int msUntilNextTimer(Clock::time_point now) const;

    std::vector<Handler> handlers;
    std::vector<Timer> timers;
    std::uint64_t nextSerial = 1;
};

} // namespace KestrumHost
