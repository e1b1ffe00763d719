// A host's side of a Linux editor: an IPlugFrame that is also the IRunLoop,
// run by poll() in the test's own thread.
#pragma once

#include "pluginterfaces/gui/iplugview.h"

#include <vector>

namespace KestrumTest
{

class TestRunLoop : public Steinberg::IPlugFrame, public Steinberg::Linux::IRunLoop
{
public:
    // Runs handlers and timers for about `milliseconds`.
    void pump(int milliseconds);
    std::size_t handlerCount() const { return handlers.size(); }
    std::size_t timerCount() const { return timers.size(); }
    int resizeCalls = 0;

    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView*, Steinberg::ViewRect*) override;
    Steinberg::tresult PLUGIN_API registerEventHandler(
        Steinberg::Linux::IEventHandler* handler, Steinberg::Linux::FileDescriptor fd) override;
    Steinberg::tresult PLUGIN_API
    unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
    Steinberg::tresult PLUGIN_API registerTimer(Steinberg::Linux::ITimerHandler* handler,
                                                Steinberg::Linux::TimerInterval ms) override;
    Steinberg::tresult PLUGIN_API
    unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

    // Lives on the test's stack.
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    struct Handler
    {
        Steinberg::Linux::IEventHandler* handler;
        int fd;
    };
    struct Timer
    {
        Steinberg::Linux::ITimerHandler* handler;
        Steinberg::Linux::TimerInterval interval;
        long long due;
    };
    std::vector<Handler> handlers;
    std::vector<Timer> timers;
};

} // namespace KestrumTest
