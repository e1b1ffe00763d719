#include "clap/clapeditor.h"

#include "adapter/viewplatform.h"
#include "clap/clapplatform.h"
#include "clap/clapplugin.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <utility>

namespace Steinberg
{
namespace Vst
{

// The run loop the view registers with; it tells the editor which file
// descriptors to have the host watch.
class ClapRunLoop : public PollRunLoop
{
public:
    using Watch = std::function<void(int fd, bool watch)>;
    explicit ClapRunLoop(Watch watch) : watch(std::move(watch)) {}

    void detach() { watch = nullptr; }

    tresult PLUGIN_API registerEventHandler(Linux::IEventHandler* handler,
                                            Linux::FileDescriptor fd) override
    {
        const tresult result = PollRunLoop::registerEventHandler(handler, fd);
        if (result == kResultTrue || result == kResultOk)
        {
            fds.emplace_back(handler, fd);
            if (watch)
                watch(fd, true);
        }
        return result;
    }

    tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler* handler) override
    {
        const tresult result = PollRunLoop::unregisterEventHandler(handler);
        for (auto it = fds.begin(); it != fds.end();)
        {
            if (it->first != handler)
            {
                ++it;
                continue;
            }
            const int fd = it->second;
            it = fds.erase(it);
            const bool stillUsed = std::any_of(
                fds.begin(), fds.end(), [fd](const auto& entry) { return entry.second == fd; });
            if (watch && !stillUsed)
                watch(fd, false);
        }
        return result;
    }

private:
    Watch watch;
    std::vector<std::pair<Linux::IEventHandler*, int>> fds;
};

// What the view sees of a CLAP host.
class ClapPlugFrame : public FObject, public IPlugFrame
{
public:
    ClapPlugFrame(ClapEditor* editor, PollRunLoop* loop) : editor(editor), loop(loop) {}
    void detach() { editor = nullptr; }

    tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) override
    {
        if (!view || !newSize || newSize->getWidth() <= 0 || newSize->getHeight() <= 0)
            return kInvalidArgument;
        if (!editor || !editor->requestResize(static_cast<uint32_t>(newSize->getWidth()),
                                              static_cast<uint32_t>(newSize->getHeight())))
            return kResultFalse;
        // The host need not call set_size for a size it granted.
        view->onSize(newSize);
        return kResultTrue;
    }

    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
    {
        if (!obj)
            return kInvalidArgument;
        if (FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid) && loop)
        {
            loop->addRef();
            *obj = static_cast<Linux::IRunLoop*>(loop.get());
            return kResultOk;
        }
        QUERY_INTERFACE(iid, obj, IPlugFrame::iid, IPlugFrame)
        return FObject::queryInterface(iid, obj);
    }

    OBJ_METHODS(ClapPlugFrame, FObject)
    REFCOUNT_METHODS(FObject)

private:
    ClapEditor* editor;
    IPtr<PollRunLoop> loop;
};

namespace
{

constexpr char kEditorViewType[] = "editor";

ClapEditor* editorOf(const clap_plugin_t* plugin)
{
    return ClapPlugin::from(plugin)->editor();
}

bool guiIsApiSupported(const clap_plugin_t* p, const char* api, bool isFloating)
{
    return editorOf(p)->isApiSupported(api, isFloating);
}
bool guiPreferredApi(const clap_plugin_t* p, const char** api, bool* isFloating)
{
    return editorOf(p)->preferredApi(api, isFloating);
}
bool guiCreate(const clap_plugin_t* p, const char* api, bool isFloating)
{
    return editorOf(p)->create(api, isFloating);
}
void guiDestroy(const clap_plugin_t* p)
{
    editorOf(p)->destroy();
}
bool guiSetScale(const clap_plugin_t* p, double scale)
{
    return editorOf(p)->setScale(scale);
}
bool guiGetSize(const clap_plugin_t* p, uint32_t* width, uint32_t* height)
{
    return editorOf(p)->size(width, height);
}
bool guiCanResize(const clap_plugin_t* p)
{
    return editorOf(p)->canResize();
}
bool guiResizeHints(const clap_plugin_t* p, clap_gui_resize_hints_t* hints)
{
    return editorOf(p)->resizeHints(hints);
}
bool guiAdjustSize(const clap_plugin_t* p, uint32_t* width, uint32_t* height)
{
    return editorOf(p)->adjustSize(width, height);
}
bool guiSetSize(const clap_plugin_t* p, uint32_t width, uint32_t height)
{
    return editorOf(p)->setSize(width, height);
}
bool guiSetParent(const clap_plugin_t* p, const clap_window_t* window)
{
    return editorOf(p)->setParent(window);
}
bool guiSetTransient(const clap_plugin_t* /*p*/, const clap_window_t* /*window*/)
{
    return false; // floating windows only
}
void guiSuggestTitle(const clap_plugin_t* /*p*/, const char* /*title*/) {}
bool guiShow(const clap_plugin_t* p)
{
    return editorOf(p)->show();
}
bool guiHide(const clap_plugin_t* p)
{
    return editorOf(p)->hide();
}

void timerFired(const clap_plugin_t* p, clap_id timer)
{
    editorOf(p)->onTimer(timer);
}

void fdReady(const clap_plugin_t* p, int fd, clap_posix_fd_flags_t flags)
{
    editorOf(p)->onFd(fd, flags);
}

bool fitsViewRect(uint32_t value)
{
    return value > 0 && value <= static_cast<uint32_t>(std::numeric_limits<int32>::max());
}

} // namespace

const clap_plugin_gui_t* ClapEditor::guiExtension()
{
    static const clap_plugin_gui_t gui = {
        guiIsApiSupported, guiPreferredApi, guiCreate,       guiDestroy,    guiSetScale,
        guiGetSize,        guiCanResize,    guiResizeHints,  guiAdjustSize, guiSetSize,
        guiSetParent,      guiSetTransient, guiSuggestTitle, guiShow,       guiHide};
    return &gui;
}

const clap_plugin_timer_support_t* ClapEditor::timerExtension()
{
    static const clap_plugin_timer_support_t timer = {timerFired};
    return &timer;
}

const clap_plugin_posix_fd_support_t* ClapEditor::posixFdExtension()
{
    static const clap_plugin_posix_fd_support_t fd = {fdReady};
    return &fd;
}

ClapEditor::ClapEditor(ClapPlugin& plugin)
    : plugin(plugin),
      loop(owned(new ClapRunLoop([this](int fd, bool watch) { watchFd(fd, watch); }))),
      plugFrame(owned(new ClapPlugFrame(this, loop)))
{
}

ClapEditor::~ClapEditor()
{
    destroy();
    plugFrame->detach();
    loop->detach();
}

PollRunLoop* ClapEditor::runLoop() const
{
    return loop.get();
}

bool ClapEditor::isApiSupported(const char* api, bool isFloating) const
{
    return api && !isFloating && std::strcmp(api, clapWindowApi()) == 0;
}

bool ClapEditor::preferredApi(const char** api, bool* isFloating) const
{
    if (!api || !isFloating)
        return false;
    *api = clapWindowApi();
    *isFloating = false;
    return true;
}

bool ClapEditor::create(const char* api, bool isFloating)
{
    if (view || !isApiSupported(api, isFloating))
        return false;
    // The view's timers need the host's; without them it would never redraw.
    const auto* timers = plugin.hostExtension<clap_host_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
    if (!timers || !timers->register_timer || !timers->unregister_timer)
        return false;
    IPlugView* newView = plugin.controller().createView(kEditorViewType);
    if (!newView)
        return false;
    view = owned(newView);
    if (view->isPlatformTypeSupported(hostWindowPlatformType()) != kResultTrue ||
        !timers->register_timer(plugin.clapHost(), kTimerPeriodMs, &timerId))
    {
        view = nullptr;
        return false;
    }
    hasTimer = true;
    view->setFrame(plugFrame);
    return true;
}

void ClapEditor::destroy()
{
    if (!view)
        return;
    if (attached)
        view->removed();
    attached = false;
    view->setFrame(nullptr);
    view = nullptr;
    // Whatever the view left registered must not be called any more.
    const auto* fdSupport =
        plugin.hostExtension<clap_host_posix_fd_support_t>(CLAP_EXT_POSIX_FD_SUPPORT);
    for (int fd : watchedFds)
    {
        if (fdSupport && fdSupport->unregister_fd)
            fdSupport->unregister_fd(plugin.clapHost(), fd);
    }
    watchedFds.clear();
    loop->clear();
    const auto* timers = plugin.hostExtension<clap_host_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
    if (hasTimer && timers && timers->unregister_timer)
        timers->unregister_timer(plugin.clapHost(), timerId);
    hasTimer = false;
    timerId = CLAP_INVALID_ID;
}

bool ClapEditor::setScale(double scale)
{
    if (!view || !(scale > 0.0))
        return false;
    // Views that draw at other scales say so through this interface; the
    // factor replaces whatever the view would take from the window system.
    FUnknownPtr<IPlugViewContentScaleSupport> scaling(view);
    if (!scaling)
        return false;
    const bool taken = scaling->setContentScaleFactor(static_cast<float>(scale)) == kResultOk;
    return taken;
}

bool ClapEditor::size(uint32_t* width, uint32_t* height) const
{
    ViewRect rect;
    if (!view || !width || !height || view->getSize(&rect) != kResultOk || rect.getWidth() <= 0 ||
        rect.getHeight() <= 0)
        return false;
    *width = static_cast<uint32_t>(rect.getWidth());
    *height = static_cast<uint32_t>(rect.getHeight());
    return true;
}

bool ClapEditor::canResize() const
{
    return view && view->canResize() == kResultTrue;
}

bool ClapEditor::resizeHints(clap_gui_resize_hints_t* hints) const
{
    if (!view || !hints)
        return false;
    // Hosts ask even for a view of fixed size (Qtractor warns without an answer).
    const bool resizable = canResize();
    *hints = clap_gui_resize_hints_t{resizable, resizable, false, 0, 0};
    return true;
}

bool ClapEditor::adjustSize(uint32_t* width, uint32_t* height) const
{
    if (!canResize())
        return size(width, height);
    if (!fitsViewRect(*width) || !fitsViewRect(*height))
        return false;
    ViewRect rect(0, 0, static_cast<int32>(*width), static_cast<int32>(*height));
    if (view->checkSizeConstraint(&rect) != kResultTrue)
        return false;
    *width = static_cast<uint32_t>(rect.getWidth());
    *height = static_cast<uint32_t>(rect.getHeight());
    return true;
}

bool ClapEditor::setSize(uint32_t width, uint32_t height)
{
    if (!view || !fitsViewRect(width) || !fitsViewRect(height))
        return false;
    uint32_t currentWidth = 0, currentHeight = 0;
    if (size(&currentWidth, &currentHeight) && currentWidth == width && currentHeight == height)
        return true;
    if (!canResize())
        return false;
    ViewRect rect(0, 0, static_cast<int32>(width), static_cast<int32>(height));
    return view->onSize(&rect) == kResultOk;
}

bool ClapEditor::setParent(const clap_window_t* window)
{
    if (!view || attached || !window || !window->api ||
        std::strcmp(window->api, clapWindowApi()) != 0)
        return false;
    void* parent = clapNativeWindow(*window);
    if (!parent || view->attached(parent, hostWindowPlatformType()) != kResultOk)
        return false;
    attached = true;
    return true;
}

bool ClapEditor::show()
{
    // The view shows itself in its parent when attached; a host shows and
    // hides it with its own window.
    return attached;
}

bool ClapEditor::hide()
{
    return attached;
}

void ClapEditor::onTimer(clap_id timer)
{
    if (hasTimer && timer == timerId)
        loop->service(0);
}

void ClapEditor::onFd(int fd, clap_posix_fd_flags_t /*flags*/)
{
    if (std::find(watchedFds.begin(), watchedFds.end(), fd) != watchedFds.end())
        loop->service(0);
}

bool ClapEditor::requestResize(uint32_t width, uint32_t height)
{
    const auto* gui = plugin.hostExtension<clap_host_gui_t>(CLAP_EXT_GUI);
    return gui && gui->request_resize && gui->request_resize(plugin.clapHost(), width, height);
}

void ClapEditor::watchFd(int fd, bool watch)
{
    const auto* fdSupport =
        plugin.hostExtension<clap_host_posix_fd_support_t>(CLAP_EXT_POSIX_FD_SUPPORT);
    if (!fdSupport || !fdSupport->register_fd || !fdSupport->unregister_fd)
        return; // the timer serves the descriptor
    const auto known = std::find(watchedFds.begin(), watchedFds.end(), fd);
    if (watch && known == watchedFds.end() &&
        fdSupport->register_fd(plugin.clapHost(), fd, CLAP_POSIX_FD_READ | CLAP_POSIX_FD_ERROR))
        watchedFds.push_back(fd);
    else if (!watch && known != watchedFds.end())
    {
        fdSupport->unregister_fd(plugin.clapHost(), fd);
        watchedFds.erase(known);
    }
}

} // namespace Vst
} // namespace Steinberg
