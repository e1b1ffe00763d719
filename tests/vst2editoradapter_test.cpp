// The VST 2 editor opcodes over a stand-in controller and view, without an
// X server: the view's size, opening and closing, the run loop that
// effEditIdle drives, and resize requests reaching the host.
#include "vst2/vst2editoradapter.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "public.sdk/source/common/pluginview.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

using TimePoint = std::chrono::steady_clock::time_point;

// What the view did, in order.
std::vector<std::string> events;
int liveViews = 0;

// A readable pipe: the run loop finds it ready until its byte is read.
struct Pipe
{
    Pipe() { EXPECT_EQ(::pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0); }
    ~Pipe()
    {
        ::close(fds[0]);
        ::close(fds[1]);
    }
    void signal() { EXPECT_EQ(::write(fds[1], "x", 1), 1); }
    void drain()
    {
        char buffer[16];
        while (::read(fds[0], buffer, sizeof buffer) > 0)
        {
        }
    }
    int fds[2] = {-1, -1};
};

struct Options
{
    bool embedsInX11 = true;
    bool refuseAttach = false;
    bool forgetsRegistrations = false; // leaves its handler and timer behind
    bool resizeOnAttach = false;
};

class FakeView;

class FdHandler : public FObject, public Linux::IEventHandler
{
public:
    explicit FdHandler(FakeView& view) : view(view) {}
    void PLUGIN_API onFDIsSet(Linux::FileDescriptor fd) override;
    OBJ_METHODS(FdHandler, FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(Linux::IEventHandler)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)
private:
    FakeView& view;
};

class TickHandler : public FObject, public Linux::ITimerHandler
{
public:
    void PLUGIN_API onTimer() override { events.push_back("timer"); }
    OBJ_METHODS(TickHandler, FObject)
    DEFINE_INTERFACES
    DEF_INTERFACE(Linux::ITimerHandler)
    END_DEFINE_INTERFACES(FObject)
    REFCOUNT_METHODS(FObject)
};

class FakeView : public CPluginView, public IPlugViewContentScaleSupport
{
public:
    FakeView(const Options& options, Pipe& pipe) : options(options), pipe(pipe)
    {
        ViewRect size(0, 0, 300, 200);
        setRect(size);
        ++liveViews;
    }
    ~FakeView() override { --liveViews; }

    tresult PLUGIN_API isPlatformTypeSupported(FIDString type) override
    {
        return options.embedsInX11 && std::string(type) == kPlatformTypeX11EmbedWindowID
                   ? kResultTrue
                   : kResultFalse;
    }
    tresult PLUGIN_API attached(void* parent, FIDString type) override
    {
        events.push_back("attached");
        if (options.refuseAttach)
            return kResultFalse;
        Linux::IRunLoop* loop = nullptr;
        if (plugFrame && plugFrame->queryInterface(Linux::IRunLoop::iid,
                                                   reinterpret_cast<void**>(&loop)) == kResultOk)
            runLoop = owned(loop);
        if (runLoop)
        {
            runLoop->registerEventHandler(fdHandler, pipe.fds[0]);
            runLoop->registerTimer(tick, 50);
        }
        if (options.resizeOnAttach && plugFrame)
        {
            ViewRect bigger(0, 0, 320, 240);
            resizeAnswer = plugFrame->resizeView(this, &bigger);
        }
        return CPluginView::attached(parent, type);
    }
    tresult PLUGIN_API removed() override
    {
        events.push_back("removed");
        if (runLoop && !options.forgetsRegistrations)
        {
            runLoop->unregisterEventHandler(fdHandler);
            runLoop->unregisterTimer(tick);
        }
        runLoop = nullptr;
        return CPluginView::removed();
    }
    tresult PLUGIN_API onSize(ViewRect* newSize) override
    {
        events.push_back("onSize " + std::to_string(newSize->getWidth()) + "x" +
                         std::to_string(newSize->getHeight()));
        return CPluginView::onSize(newSize);
    }

    void onFd()
    {
        events.push_back("fd");
        pipe.drain();
        // A handler may drop itself and the timer from inside its callback.
        if (unregisterInCallback && runLoop)
        {
            runLoop->unregisterEventHandler(fdHandler);
            runLoop->unregisterTimer(tick);
        }
    }

    tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override
    {
        if (!(factor >= 0.5f && factor <= 8.f))
            return kInvalidArgument;
        events.push_back("scale " + std::to_string(factor).substr(0, 4));
        return kResultTrue;
    }

    OBJ_METHODS(FakeView, CPluginView)
    DEFINE_INTERFACES
    DEF_INTERFACE(IPlugViewContentScaleSupport)
    END_DEFINE_INTERFACES(CPluginView)
    REFCOUNT_METHODS(CPluginView)

    bool unregisterInCallback = false;
    tresult resizeAnswer = kNotInitialized;

private:
    Options options;
    Pipe& pipe;
    IPtr<Linux::IRunLoop> runLoop;
    IPtr<FdHandler> fdHandler = owned(new FdHandler(*this));
    IPtr<TickHandler> tick = owned(new TickHandler);
};

void PLUGIN_API FdHandler::onFDIsSet(Linux::FileDescriptor)
{
    view.onFd();
}

class FakeController : public EditController
{
public:
    FakeController(const Options& options, Pipe& pipe) : options(options), pipe(pipe) {}
    IPlugView* PLUGIN_API createView(FIDString name) override
    {
        ++viewsMade;
        if (!makesViews || std::string(name) != "editor")
            return nullptr;
        lastView = new FakeView(options, pipe);
        return lastView;
    }
    bool makesViews = true;
    int viewsMade = 0;
    FakeView* lastView = nullptr;

private:
    Options options;
    Pipe& pipe;
};

struct HostCall
{
    int32_t opcode;
    int32_t index;
    intptr_t value;
};
std::vector<HostCall> hostCalls;

intptr_t recordingHost(AEffect*, int32_t opcode, int32_t index, intptr_t value, void*, float)
{
    hostCalls.push_back({opcode, index, value});
    return 1;
}

class Vst2EditorAdapterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        events.clear();
        hostCalls.clear();
        liveViews = 0;
    }
    void TearDown() override
    {
        adapter.reset();
        controller = nullptr;
        EXPECT_EQ(liveViews, 0) << "a view was never released";
    }

    void make(const Options& options = {})
    {
        controller = owned(new FakeController(options, pipe));
        adapter = std::make_unique<Vst2EditorAdapter>(controller.get(), recordingHost, &effect,
                                                      [this] { return now; });
    }
    intptr_t call(int32 opcode, void* ptr = nullptr)
    {
        return adapter->dispatch(opcode, 0, 0, ptr, 0.f);
    }
    intptr_t open() { return call(Vst2::effEditOpen, kWindow); }
    intptr_t idleAfter(int milliseconds)
    {
        now += std::chrono::milliseconds(milliseconds);
        return call(Vst2::effEditIdle);
    }

    void* const kWindow = reinterpret_cast<void*>(std::uintptr_t{0x1234});
    Pipe pipe;
    AEffect effect{};
    TimePoint now{};
    IPtr<FakeController> controller;
    std::unique_ptr<Vst2EditorAdapter> adapter;
};

TEST_F(Vst2EditorAdapterTest, NoEditorWithoutAnEmbeddableView)
{
    struct Case
    {
        const char* what;
        bool makesViews;
        bool embedsInX11;
    };
    for (const Case& c : {Case{"no view", false, true}, Case{"not X11", true, false}})
    {
        Options options;
        options.embedsInX11 = c.embedsInX11;
        make(options);
        controller->makesViews = c.makesViews;
        // Asked at construction only; a fresh adapter with the setting.
        adapter = std::make_unique<Vst2EditorAdapter>(controller.get(), recordingHost, &effect);
        EXPECT_FALSE(adapter->hasEditor()) << c.what;
        vst_rect* rect = nullptr;
        EXPECT_EQ(call(Vst2::effEditGetRect, &rect), 0) << c.what;
        EXPECT_EQ(open(), 0) << c.what;
        EXPECT_EQ(call(Vst2::effEditIdle), 0) << c.what;
        EXPECT_EQ(call(Vst2::effEditClose), 0) << c.what;
        EXPECT_EQ(liveViews, 0) << c.what;
    }
}

TEST_F(Vst2EditorAdapterTest, GetRectGivesTheViewSizeAndKeepsThatView)
{
    make();
    ASSERT_TRUE(adapter->hasEditor());
    EXPECT_EQ(liveViews, 0) << "the probe's view is released";
    const int probes = controller->viewsMade;

    EXPECT_EQ(call(Vst2::effEditGetRect, nullptr), 0);
    vst_rect* rect = nullptr;
    ASSERT_EQ(call(Vst2::effEditGetRect, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 200);
    EXPECT_EQ(rect->right, 300);

    vst_rect* again = nullptr;
    ASSERT_EQ(call(Vst2::effEditGetRect, &again), 1);
    EXPECT_EQ(again, rect);
    ASSERT_EQ(open(), 1);
    EXPECT_EQ(controller->viewsMade, probes + 1) << "open shows the view that was measured";
    EXPECT_EQ(call(Vst2::effEditClose), 1);
    EXPECT_EQ(liveViews, 0);
}

TEST_F(Vst2EditorAdapterTest, OpenAttachesAndCloseRemoves)
{
    make();
    ASSERT_EQ(open(), 1);
    EXPECT_TRUE(adapter->isOpen());
    EXPECT_EQ(adapter->runLoop().handlerCount(), 1u);
    EXPECT_EQ(adapter->runLoop().timerCount(), 1u);
    EXPECT_EQ(open(), 0) << "a second open while open is refused";

    EXPECT_EQ(call(Vst2::effEditClose), 1);
    EXPECT_FALSE(adapter->isOpen());
    EXPECT_EQ(call(Vst2::effEditClose), 0);
    EXPECT_EQ(events, (std::vector<std::string>{"attached", "removed"}));
    EXPECT_EQ(adapter->runLoop().handlerCount() + adapter->runLoop().timerCount(), 0u);
    EXPECT_EQ(liveViews, 0);

    EXPECT_EQ(open(), 1) << "the editor opens again after closing";
}

TEST_F(Vst2EditorAdapterTest, OpenRefusedWithoutAWindow)
{
    struct Case
    {
        const char* what;
        bool withWindow;
        bool refuseAttach;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {"null window", false, false, {}},
        {"view refuses", true, true, {"attached"}},
    };
    for (const Case& c : cases)
    {
        events.clear();
        Options options;
        options.refuseAttach = c.refuseAttach;
        make(options);
        EXPECT_EQ(call(Vst2::effEditOpen, c.withWindow ? kWindow : nullptr), 0) << c.what;
        EXPECT_FALSE(adapter->isOpen()) << c.what;
        EXPECT_EQ(events, c.events) << c.what;
        EXPECT_EQ(adapter->runLoop().handlerCount() + adapter->runLoop().timerCount(), 0u)
            << c.what;
        EXPECT_EQ(liveViews, 0) << c.what;
        EXPECT_EQ(call(Vst2::effEditIdle), 0) << c.what;
    }
}

TEST_F(Vst2EditorAdapterTest, IdleServicesReadyDescriptorsAndDueTimers)
{
    make();
    ASSERT_EQ(open(), 1);
    events.clear();

    EXPECT_EQ(idleAfter(10), 1);
    EXPECT_TRUE(events.empty()) << "nothing ready, nothing due";

    pipe.signal();
    idleAfter(10);
    EXPECT_EQ(events, std::vector<std::string>{"fd"});

    events.clear();
    idleAfter(30); // 50 ms after opening
    EXPECT_EQ(events, std::vector<std::string>{"timer"});
    events.clear();
    idleAfter(20);
    EXPECT_TRUE(events.empty()) << "the next tick is 50 ms after the last";
    idleAfter(30);
    EXPECT_EQ(events, std::vector<std::string>{"timer"});

    // A late idle gives one tick, not one for every interval missed.
    events.clear();
    idleAfter(500);
    EXPECT_EQ(events, std::vector<std::string>{"timer"});
}

TEST_F(Vst2EditorAdapterTest, HandlerMayUnregisterInsideItsCallback)
{
    make();
    ASSERT_EQ(open(), 1);
    controller->lastView->unregisterInCallback = true;
    events.clear();

    // The descriptor is ready and the timer due in the same pass: the
    // handler drops both, so the timer must not run.
    pipe.signal();
    idleAfter(60);
    EXPECT_EQ(events, std::vector<std::string>{"fd"});
    EXPECT_EQ(adapter->runLoop().handlerCount() + adapter->runLoop().timerCount(), 0u);

    pipe.signal();
    idleAfter(60);
    EXPECT_EQ(events, std::vector<std::string>{"fd"});
    EXPECT_EQ(call(Vst2::effEditClose), 1);
}

TEST_F(Vst2EditorAdapterTest, RegistrationsLeftBehindAreDroppedOnClose)
{
    Options options;
    options.forgetsRegistrations = true;
    make(options);
    ASSERT_EQ(open(), 1);
    EXPECT_EQ(call(Vst2::effEditClose), 1);
    EXPECT_EQ(adapter->runLoop().handlerCount() + adapter->runLoop().timerCount(), 0u);
    EXPECT_EQ(liveViews, 0) << "the run loop's references went with them";
}

TEST_F(Vst2EditorAdapterTest, ResizeRequestsReachTheHost)
{
    Options options;
    options.resizeOnAttach = true;
    make(options);
    ASSERT_EQ(open(), 1);
    EXPECT_EQ(controller->lastView->resizeAnswer, kResultTrue);
    ASSERT_EQ(hostCalls.size(), 1u);
    EXPECT_EQ(hostCalls[0].opcode, Vst2::audioMasterSizeWindow);
    EXPECT_EQ(hostCalls[0].index, 320);
    EXPECT_EQ(hostCalls[0].value, 240);
    EXPECT_EQ(events, (std::vector<std::string>{"attached", "onSize 320x240"}));

    vst_rect* rect = nullptr;
    ASSERT_EQ(call(Vst2::effEditGetRect, &rect), 1);
    EXPECT_EQ(rect->right, 320);
    EXPECT_EQ(rect->bottom, 240);
}

// effVendorSpecific 'PreS' 'AeCs' with the factor in opt: the host's scale
// for the view shown now and for every view made later.
TEST_F(Vst2EditorAdapterTest, VendorSpecificScaleReachesTheView)
{
    make();
    const struct
    {
        int32 index;
        intptr_t value;
        float factor;
        intptr_t answer;
    } cases[] = {{0x50726553, 0x41654373, 2.0f, 1}, {0x50726553, 0x41654373, 1.5f, 1},
                 {0x50726553, 0x41654373, 0.0f, 0}, {0x50726553, 0, 2.0f, 0},
                 {0x41654373, 0x50726553, 2.0f, 0}, {0x50726553, 0x41654373, 99.f, 0}};
    for (const auto& c : cases)
    {
        events.clear();
        EXPECT_EQ(adapter->dispatch(Vst2::effVendorSpecific, c.index, c.value, nullptr, c.factor),
                  c.answer)
            << c.index << " " << c.value << " " << c.factor;
        EXPECT_EQ(events.size(), static_cast<size_t>(c.answer));
    }
    EXPECT_EQ(adapter->hostScale(), 1.5f);
    ASSERT_EQ(open(), 1);
    EXPECT_EQ(call(Vst2::effEditClose), 1);
    events.clear();
    ASSERT_EQ(open(), 1) << "a new view";
    EXPECT_EQ(events.front(), "scale 1.50");
    EXPECT_EQ(call(Vst2::effEditClose), 1);
}

TEST_F(Vst2EditorAdapterTest, DestroyingTheAdapterClosesAnOpenEditor)
{
    make();
    ASSERT_EQ(open(), 1);
    adapter.reset();
    EXPECT_EQ(events, (std::vector<std::string>{"attached", "removed"}));
    EXPECT_EQ(liveViews, 0);
}

} // namespace
