#include "vst3/pollrunloop.h"

#include "vst3/pollwait.h"

#include <algorithm>

namespace Steinberg
{
namespace Vst
{
namespace
{

// Drops the registration of `handler` from `list`. The loop's reference is
// released after the erase, so a handler whose destructor calls back finds
// the list consistent.
template <typename List, typename Interface>
tresult eraseRegistration(List& list, Interface* handler)
{
    auto it = std::find_if(list.begin(), list.end(),
                           [handler](const auto& r) { return r.handler == handler; });
    if (!handler || it == list.end())
        return kInvalidArgument;
    IPtr<Interface> releasedAfterErase = it->handler;
    list.erase(it);
    return kResultOk;
}

} // namespace

PollRunLoop::PollRunLoop(Clock clock) : clock(std::move(clock)) {}

PollRunLoop::TimePoint PollRunLoop::now() const
{
    return clock ? clock() : std::chrono::steady_clock::now();
}

void PollRunLoop::service(int timeoutMs)
{
    // Keeps this loop alive should a callback make its owner drop it.
    IPtr<PollRunLoop> keepAlive(this);
    serviceHandlers(timeoutMs);
    serviceTimers();
}

void PollRunLoop::run(int milliseconds)
{
    // The wait happens in waitForReadable(), so the duration is real time even when a
    // test clock drives the timers.
    using Steady = std::chrono::steady_clock;
    IPtr<PollRunLoop> keepAlive(this);
    const Steady::time_point end = Steady::now() + std::chrono::milliseconds(milliseconds);
    do
    {
        const long long left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Steady::now()).count();
        service(static_cast<int>(std::clamp<long long>(left, 0, msUntilNextTimer())));
    } while (Steady::now() < end);
}

int PollRunLoop::msUntilNextTimer() const
{
    // Bounded, so that a long run still looks at the clock now and then.
    long long next = 1000;
    const TimePoint time = now();
    for (const Timer& t : timers)
        next = std::min<long long>(
            next, std::chrono::duration_cast<std::chrono::milliseconds>(t.due - time).count());
    return static_cast<int>(std::max<long long>(0, next));
}

void PollRunLoop::serviceHandlers(int timeoutMs)
{
    if (handlers.empty() && timeoutMs <= 0)
        return;
    // Callbacks may change the list: work on a copy and ask the list again
    // before each call.
    const std::vector<Handler> current = handlers;
    std::vector<int> fds;
    fds.reserve(current.size());
    for (const Handler& h : current)
        fds.push_back(h.fd);
    std::vector<bool> readable;
    if (!waitForReadable(fds, readable, std::max(timeoutMs, 0)))
        return;
    for (size_t i = 0; i < current.size(); ++i)
    {
        if (!readable[i])
            continue;
        const uint64 serial = current[i].serial;
        const bool registered =
            std::any_of(handlers.begin(), handlers.end(),
                        [serial](const Handler& h) { return h.serial == serial; });
        if (registered)
            current[i].handler->onFDIsSet(current[i].fd);
    }
}

void PollRunLoop::serviceTimers()
{
    const std::vector<Timer> current = timers;
    for (const Timer& t : current)
    {
        const TimePoint time = now();
        auto it = std::find_if(timers.begin(), timers.end(),
                               [&t](const Timer& x) { return x.serial == t.serial; });
        if (it == timers.end() || it->due > time)
            continue;
        // A slow caller gets one call per pass, not a burst to catch up.
        it->due = time + it->interval;
        t.handler->onTimer();
    }
}

void PollRunLoop::clear()
{
    // Released after the lists are empty, so a handler's destructor that
    // calls back finds a consistent loop.
    std::vector<Handler> oldHandlers;
    std::vector<Timer> oldTimers;
    oldHandlers.swap(handlers);
    oldTimers.swap(timers);
}

tresult PLUGIN_API PollRunLoop::registerEventHandler(Linux::IEventHandler* handler,
                                                     Linux::FileDescriptor fd)
{
    if (!handler || fd < 0)
        return kInvalidArgument;
    handlers.push_back({handler, fd, nextSerial++});
    return kResultOk;
}

tresult PLUGIN_API PollRunLoop::unregisterEventHandler(Linux::IEventHandler* handler)
{
    return eraseRegistration(handlers, handler);
}

tresult PLUGIN_API PollRunLoop::registerTimer(Linux::ITimerHandler* handler,
                                              Linux::TimerInterval milliseconds)
{
    if (!handler)
        return kInvalidArgument;
    const std::chrono::milliseconds interval(milliseconds);
    timers.push_back({handler, interval, now() + interval, nextSerial++});
    return kResultOk;
}

tresult PLUGIN_API PollRunLoop::unregisterTimer(Linux::ITimerHandler* handler)
{
    return eraseRegistration(timers, handler);
}

} // namespace Vst
} // namespace Steinberg
