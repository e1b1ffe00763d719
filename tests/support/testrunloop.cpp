#include "support/testrunloop.h"

#include <algorithm>
#include <chrono>
#include <poll.h>

namespace KestrumTest
{
namespace
{

long long nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

using namespace Steinberg;

void TestRunLoop::pump(int milliseconds)
{
    const long long end = nowMs() + milliseconds;
    while (nowMs() < end)
    {
        std::vector<pollfd> fds;
        for (const Handler& h : handlers)
            fds.push_back({h.fd, POLLIN, 0});
        ::poll(fds.data(), fds.size(), 5);
        // Handlers may unregister themselves or others while called.
        const std::vector<Handler> current = handlers;
        for (std::size_t i = 0; i < fds.size() && i < current.size(); ++i)
        {
            const bool stillThere =
                std::any_of(handlers.begin(), handlers.end(),
                            [&](const Handler& h) { return h.handler == current[i].handler; });
            if (stillThere && (fds[i].revents & POLLIN))
                current[i].handler->onFDIsSet(current[i].fd);
        }
        const std::vector<Timer> dueTimers = timers;
        for (const Timer& t : dueTimers)
        {
            auto it = std::find_if(timers.begin(), timers.end(),
                                   [&](const Timer& x) { return x.handler == t.handler; });
            if (it == timers.end() || it->due > nowMs())
                continue;
            it->due = nowMs() + static_cast<long long>(it->interval);
            t.handler->onTimer();
        }
    }
}

tresult PLUGIN_API TestRunLoop::resizeView(IPlugView*, ViewRect*)
{
    ++resizeCalls;
    return kResultOk;
}

tresult PLUGIN_API TestRunLoop::registerEventHandler(Linux::IEventHandler* handler,
                                                     Linux::FileDescriptor fd)
{
    if (!handler)
        return kInvalidArgument;
    handler->addRef();
    handlers.push_back({handler, fd});
    return kResultOk;
}

tresult PLUGIN_API TestRunLoop::unregisterEventHandler(Linux::IEventHandler* handler)
{
    for (auto it = handlers.begin(); it != handlers.end(); ++it)
    {
        if (it->handler == handler)
        {
            handlers.erase(it);
            handler->release();
            return kResultOk;
        }
    }
    return kResultFalse;
}

tresult PLUGIN_API TestRunLoop::registerTimer(Linux::ITimerHandler* handler,
                                              Linux::TimerInterval ms)
{
    if (!handler)
        return kInvalidArgument;
    handler->addRef();
    timers.push_back({handler, ms, nowMs() + static_cast<long long>(ms)});
    return kResultOk;
}

tresult PLUGIN_API TestRunLoop::unregisterTimer(Linux::ITimerHandler* handler)
{
    for (auto it = timers.begin(); it != timers.end(); ++it)
    {
        if (it->handler == handler)
        {
            timers.erase(it);
            handler->release();
            return kResultOk;
        }
    }
    return kResultFalse;
}

tresult PLUGIN_API TestRunLoop::queryInterface(const TUID iid, void** obj)
{
    if (FUnknownPrivate::iidEqual(iid, IPlugFrame::iid) ||
        FUnknownPrivate::iidEqual(iid, FUnknown::iid))
    {
        *obj = static_cast<IPlugFrame*>(this);
        return kResultOk;
    }
    if (FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid))
    {
        *obj = static_cast<Linux::IRunLoop*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

} // namespace KestrumTest
