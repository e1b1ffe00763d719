#include "vst2/vst2runloop.h"

#include <algorithm>
#include <poll.h>

namespace Steinberg
{
namespace Vst
{

Vst2RunLoop::Vst2RunLoop(Clock clock) : clock(std::move(clock)) {}

Vst2RunLoop::TimePoint Vst2RunLoop::now() const
{
    return clock ? clock() : std::chrono::steady_clock::now();
}

void Vst2RunLoop::service()
{
    // Keeps this loop alive should a callback make its editor drop it.
    IPtr<Vst2RunLoop> keepAlive(this);
    serviceHandlers();
    serviceTimers();
}

void Vst2RunLoop::serviceHandlers()
{
    if (handlers.empty())
        return;
    // Callbacks may change the list: work on a copy and ask the list again
    // before each call.
    const std::vector<Handler> current = handlers;
    std::vector<pollfd> fds;
    fds.reserve(current.size());
    for (const Handler& h : current)
        fds.push_back({h.fd, POLLIN, 0});
    if (::poll(fds.data(), static_cast<nfds_t>(fds.size()), 0) <= 0)
        return;
    for (size_t i = 0; i < current.size(); ++i)
    {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const uint64 serial = current[i].serial;
        const bool registered =
            std::any_of(handlers.begin(), handlers.end(),
                        [serial](const Handler& h) { return h.serial == serial; });
        if (registered)
            current[i].handler->onFDIsSet(current[i].fd);
    }
}

void Vst2RunLoop::serviceTimers()
{
    const std::vector<Timer> current = timers;
    for (const Timer& t : current)
    {
        const TimePoint time = now();
        auto it = std::find_if(timers.begin(), timers.end(),
                               [&t](const Timer& x) { return x.serial == t.serial; });
        if (it == timers.end() || it->due > time)
            continue;
        // A slow host gets one call per pass, not a burst to catch up.
        it->due = time + it->interval;
        t.handler->onTimer();
    }
}

void Vst2RunLoop::clear()
{
    // Released after the lists are empty, so a handler's destructor that
    // calls back finds a consistent loop.
    std::vector<Handler> oldHandlers;
    std::vector<Timer> oldTimers;
    oldHandlers.swap(handlers);
    oldTimers.swap(timers);
}

tresult PLUGIN_API Vst2RunLoop::registerEventHandler(Linux::IEventHandler* handler,
                                                     Linux::FileDescriptor fd)
{
    if (!handler || fd < 0)
        return kInvalidArgument;
    handlers.push_back({handler, fd, nextSerial++});
    return kResultOk;
}

tresult PLUGIN_API Vst2RunLoop::unregisterEventHandler(Linux::IEventHandler* handler)
{
    auto it = std::find_if(handlers.begin(), handlers.end(),
                           [handler](const Handler& h) { return h.handler == handler; });
    if (!handler || it == handlers.end())
        return kInvalidArgument;
    IPtr<Linux::IEventHandler> releasedAfterErase = it->handler;
    handlers.erase(it);
    return kResultOk;
}

tresult PLUGIN_API Vst2RunLoop::registerTimer(Linux::ITimerHandler* handler,
                                              Linux::TimerInterval milliseconds)
{
    if (!handler)
        return kInvalidArgument;
    const std::chrono::milliseconds interval(milliseconds);
    timers.push_back({handler, interval, now() + interval, nextSerial++});
    return kResultOk;
}

tresult PLUGIN_API Vst2RunLoop::unregisterTimer(Linux::ITimerHandler* handler)
{
    auto it = std::find_if(timers.begin(), timers.end(),
                           [handler](const Timer& t) { return t.handler == handler; });
    if (!handler || it == timers.end())
        return kInvalidArgument;
    IPtr<Linux::ITimerHandler> releasedAfterErase = it->handler;
    timers.erase(it);
    return kResultOk;
}

} // namespace Vst
} // namespace Steinberg
