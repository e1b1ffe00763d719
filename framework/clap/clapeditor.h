// Where CLAP's gui extension meets the plug-in's VST 3 editor view. The
// adapter plays the VST 3 host for the view: it creates it with
// createView("editor"), is its IPlugFrame (resize requests go to the host's
// gui.request_resize), hands it a run loop and embeds it in the window the
// host gives to set_parent. Embedded windows only: CLAP's floating windows
// are refused.
//
// The run loop is driven by the host: a timer (timer-support) for the
// view's timers and, where the host watches file descriptors
// (posix-fd-support), the view's X connection, which then is served the
// moment it has events; without that the timer serves it too.
#pragma once

#include "clap/clapext.h"
#include "vst3/pollrunloop.h"

#include "clap/ext/gui.h"
#include "clap/ext/timer-support.h"

#include "base/source/fobject.h"
#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"

#include <vector>

namespace Steinberg
{
namespace Vst
{

class ClapPlugin;
class ClapPlugFrame;
class ClapRunLoop;

class ClapEditor
{
public:
    // How often the host's timer serves the run loop: often enough for the
    // view's own timers, which are no faster than this.
    static constexpr uint32_t kTimerPeriodMs = 16;

    explicit ClapEditor(ClapPlugin& plugin);
    // Destroys a GUI the host left.
    ~ClapEditor();
    ClapEditor(const ClapEditor&) = delete;
    ClapEditor& operator=(const ClapEditor&) = delete;

    // The gui extension.
    bool isApiSupported(const char* api, bool isFloating) const;
    bool preferredApi(const char** api, bool* isFloating) const;
    bool create(const char* api, bool isFloating);
    void destroy();
    bool setScale(double scale);
    bool size(uint32_t* width, uint32_t* height) const;
    bool canResize() const;
    bool resizeHints(clap_gui_resize_hints_t* hints) const;
    bool adjustSize(uint32_t* width, uint32_t* height) const;
    bool setSize(uint32_t width, uint32_t height);
    bool setParent(const clap_window_t* window);
    bool show();
    bool hide();

    // The timer and file descriptor callbacks.
    void onTimer(clap_id timer);
    void onFd(int fd, clap_posix_fd_flags_t flags);

    // The view asks for a new size; true when the host took it.
    bool requestResize(uint32_t width, uint32_t height);
    // The view's run loop registered or dropped a file descriptor.
    void watchFd(int fd, bool watch);

    bool isCreated() const { return view != nullptr; }
    bool isAttached() const { return attached; }
    PollRunLoop* runLoop() const;

    static const clap_plugin_gui_t* guiExtension();
    static const clap_plugin_timer_support_t* timerExtension();
    static const clap_plugin_posix_fd_support_t* posixFdExtension();

private:
    ClapPlugin& plugin;
    IPtr<ClapRunLoop> loop;
    IPtr<ClapPlugFrame> plugFrame;
    IPtr<IPlugView> view;
    bool attached = false;
    bool hasTimer = false;
    clap_id timerId = CLAP_INVALID_ID;
    // The descriptors the host watches for us.
    std::vector<int> watchedFds;
};

} // namespace Vst
} // namespace Steinberg
