// A Linux run loop for plug-in editors, driven by poll() in the caller's
// thread: the VST 2 adapter services it once per effEditIdle, a VST 3 host
// runs it between its own work. The view registers its file descriptors and
// timers here; nothing runs on another thread.
#pragma once

#include "base/source/fobject.h"
#include "pluginterfaces/base/smartpointer.h"
#include "runloopinterfaces.h"

#include <chrono>
#include <functional>
#include <vector>

namespace Steinberg
{
namespace Vst
{

class PollRunLoop : public FObject, public Linux::IRunLoop
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Clock = std::function<TimePoint()>;

    // `clock` stands in for the steady clock in tests.
    explicit PollRunLoop(Clock clock = nullptr);

    // Waits at most `timeoutMs` (0: not at all) for a descriptor to become
    // readable, then calls the handlers whose descriptor is readable and the
    // timers that are due. A handler or timer unregistered by an earlier
    // callback of the same pass is not called.
    void service(int timeoutMs = 0);
    // Services for about `milliseconds` of real time (at least one pass),
    // sleeping in poll() until the next event or timer.
    void run(int milliseconds);
    // Drops every registration, e.g. after an editor that forgot its own.
    void clear();

    size_t handlerCount() const { return handlers.size(); }
    size_t timerCount() const { return timers.size(); }

    // IRunLoop
    tresult PLUGIN_API registerEventHandler(Linux::IEventHandler* handler,
                                            Linux::FileDescriptor fd) override;
    tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler* handler) override;
    tresult PLUGIN_API registerTimer(Linux::ITimerHandler* handler,
                                     Linux::TimerInterval milliseconds) override;
    tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler* handler) override;

    OBJ_METHODS(PollRunLoop, FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(Linux::IRunLoop)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)

private:
    struct Handler
    {
        IPtr<Linux::IEventHandler> handler;
        Linux::FileDescriptor fd;
        uint64 serial;
    };
    struct Timer
    {
        IPtr<Linux::ITimerHandler> handler;
        std::chrono::milliseconds interval;
        TimePoint due;
        uint64 serial;
    };

    void serviceHandlers(int timeoutMs);
    void serviceTimers();
    int msUntilNextTimer() const;
    TimePoint now() const;

    Clock clock;
    std::vector<Handler> handlers;
    std::vector<Timer> timers;
    // Tells a registration apart from a later one of the same handler.
    uint64 nextSerial = 1;
};

} // namespace Vst
} // namespace Steinberg
