#include "host/runloop.h"

#include <algorithm>
#include <poll.h>

using namespace Steinberg;

namespace KestrumHost
{

void RunLoop::run(int milliseconds)
{
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
    do
    {
        const auto now = Clock::now();
        const int left = static_cast<int>(std::max<long long>(
            0, std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count()));
        pass(std::min(left, msUntilNextTimer(now)));
    } while (Clock::now() < end);
}

int RunLoop::msUntilNextTimer(Clock::time_point now) const
{
    long long next = 1000;
    for (const Timer& t : timers)
        next = std::min<long long>(
            next, std::chrono::duration_cast<std::chrono::milliseconds>(t.due - now).count());
    return static_cast<int>(std::max<long long>(0, next));
}

void RunLoop::pass(int timeoutMs)
{
    IPtr<RunLoop> keepAlive(this);
    // Callbacks may register and unregister: work on copies and look each
    // registration up again before calling it.
    const std::vector<Handler> current = handlers;
    std::vector<pollfd> fds;
    for (const Handler& h : current)
        fds.push_back({h.fd, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), timeoutMs) > 0)
    {
        for (std::size_t i = 0; i < current.size(); ++i)
        {
            const std::uint64_t serial = current[i].serial;
            if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) &&
                std::any_of(handlers.begin(), handlers.end(),
                            [serial](const Handler& h) { return h.serial == serial; }))
                current[i].handler->onFDIsSet(current[i].fd);
        }
    }
    const std::vector<Timer> dueTimers = timers;
    for (const Timer& t : dueTimers)
    {
        const auto now = Clock::now();
        auto it = std::find_if(timers.begin(), timers.end(),
                               [&t](const Timer& x) { return x.serial == t.serial; });
        if (it == timers.end() || it->due > now)
            continue;
        it->due = now + it->interval;
        t.handler->onTimer();
    }
}

tresult PLUGIN_API RunLoop::registerEventHandler(Linux::IEventHandler* handler,
                                                 Linux::FileDescriptor fd)
{
    if (!handler || fd < 0)
        return kInvalidArgument;
    handlers.push_back({handler, fd, nextSerial++});
    return kResultOk;
}

tresult PLUGIN_API RunLoop::unregisterEventHandler(Linux::IEventHandler* handler)
{
    auto it = std::find_if(handlers.begin(), handlers.end(),
                           [handler](const Handler& h) { return h.handler == handler; });
    if (!handler || it == handlers.end())
        return kInvalidArgument;
    IPtr<Linux::IEventHandler> releasedAfterErase = it->handler;
    handlers.erase(it);
    return kResultOk;
}

tresult PLUGIN_API RunLoop::registerTimer(Linux::ITimerHandler* handler, Linux::TimerInterval ms)
{
    if (!handler)
        return kInvalidArgument;
    const std::chrono::milliseconds interval(ms);
    timers.push_back({handler, interval, Clock::now() + interval, nextSerial++});
    return kResultOk;
}

tresult PLUGIN_API RunLoop::unregisterTimer(Linux::ITimerHandler* handler)
{
    auto it = std::find_if(timers.begin(), timers.end(),
                           [handler](const Timer& t) { return t.handler == handler; });
    if (!handler || it == timers.end())
        return kInvalidArgument;
    IPtr<Linux::ITimerHandler> releasedAfterErase = it->handler;
    timers.erase(it);
    return kResultOk;
}

} // namespace KestrumHost
