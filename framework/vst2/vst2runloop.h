// The run loop a VST 2 host drives without knowing it: the editor registers
// its file descriptors and timers here, and every effEditIdle services them
// once. Nothing blocks and nothing runs on another thread.
#pragma once

#include "base/source/fobject.h"
#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"

#include <chrono>
#include <functional>
#include <vector>

namespace Steinberg
{
namespace Vst
{

class Vst2RunLoop : public FObject, public Linux::IRunLoop
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // `clock` stands in for the steady clock in tests.
    explicit Vst2RunLoop(Clock clock = nullptr);

    // Calls the handlers whose descriptor is readable (without waiting) and
    // the timers that are due. A handler or timer unregistered by an earlier
    // callback of the same pass is not called.
    void service();
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

    OBJ_METHODS(Vst2RunLoop, FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(Linux::IRunLoop)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)

private:
    using TimePoint = std::chrono::steady_clock::time_point;

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

    void serviceHandlers();
    void serviceTimers();
    TimePoint now() const;

    Clock clock;
    std::vector<Handler> handlers;
    std::vector<Timer> timers;
    // Tells a registration apart from a later one of the same handler.
    uint64 nextSerial = 1;
};

} // namespace Vst
} // namespace Steinberg
