// The editors' run loop on its own: what it refuses, waiting in poll() for a
// descriptor, and timers in run(). How it behaves under the VST 2 idle call
// (callbacks that unregister, late passes) is in the adapter's tests.
#include "vst3/pollrunloop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

using namespace Steinberg;
using Steinberg::Vst::PollRunLoop;

namespace
{

class Reader : public FObject, public Linux::IEventHandler
{
public:
    void PLUGIN_API onFDIsSet(Linux::FileDescriptor fd) override
    {
        char buffer[16];
        while (::read(fd, buffer, sizeof buffer) > 0)
            ++calls;
    }
    int calls = 0;
    OBJ_METHODS(Reader, FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(Linux::IEventHandler)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)
};

class Ticker : public FObject, public Linux::ITimerHandler
{
public:
    void PLUGIN_API onTimer() override { ++ticks; }
    int ticks = 0;
    OBJ_METHODS(Ticker, FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(Linux::ITimerHandler)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)
};

struct Pipe
{
    Pipe() { EXPECT_EQ(::pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0); }
    ~Pipe()
    {
        ::close(fds[0]);
        ::close(fds[1]);
    }
    int fds[2] = {-1, -1};
};

TEST(PollRunLoop, RefusedRegistrationsChangeNothing)
{
    auto loop = owned(new PollRunLoop);
    auto reader = owned(new Reader);
    auto ticker = owned(new Ticker);
    EXPECT_EQ(loop->registerEventHandler(nullptr, 0), kInvalidArgument);
    EXPECT_EQ(loop->registerEventHandler(reader, -1), kInvalidArgument);
    EXPECT_EQ(loop->registerTimer(nullptr, 10), kInvalidArgument);
    EXPECT_EQ(loop->unregisterEventHandler(reader), kInvalidArgument) << "never registered";
    EXPECT_EQ(loop->unregisterTimer(ticker), kInvalidArgument) << "never registered";
    EXPECT_EQ(loop->unregisterEventHandler(nullptr), kInvalidArgument);
    EXPECT_EQ(loop->unregisterTimer(nullptr), kInvalidArgument);
    EXPECT_EQ(loop->handlerCount() + loop->timerCount(), 0u);
    EXPECT_EQ(reader->getRefCount(), 1u);
    EXPECT_EQ(ticker->getRefCount(), 1u);
}

TEST(PollRunLoop, ServiceWaitsForADescriptorUpToItsTimeout)
{
    auto loop = owned(new PollRunLoop);
    auto reader = owned(new Reader);
    Pipe pipe;
    ASSERT_EQ(loop->registerEventHandler(reader, pipe.fds[0]), kResultOk);

    loop->service(20);
    EXPECT_EQ(reader->calls, 0) << "nothing written";

    // Written while the loop sleeps in poll(): a pass without waiting would
    // come back before it.
    std::thread writer(
        [&pipe]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            EXPECT_EQ(::write(pipe.fds[1], "x", 1), 1);
        });
    loop->service(10000);
    writer.join();
    EXPECT_EQ(reader->calls, 1);

    EXPECT_EQ(loop->unregisterEventHandler(reader), kResultOk);
    EXPECT_EQ(reader->getRefCount(), 1u) << "the loop's reference went";
}

TEST(PollRunLoop, RunCallsATimerAtMostOncePerInterval)
{
    auto loop = owned(new PollRunLoop);
    auto ticker = owned(new Ticker);
    ASSERT_EQ(loop->registerTimer(ticker, 10), kResultOk);
    loop->run(200);
    EXPECT_GE(ticker->ticks, 2) << "run sleeps until the timer, then calls it";
    // One per 10 ms, give or take the scheduler: not once per pass.
    EXPECT_LE(ticker->ticks, 25);
    loop->clear();
    EXPECT_EQ(loop->timerCount(), 0u);
    EXPECT_EQ(ticker->getRefCount(), 1u);
}

} // namespace
