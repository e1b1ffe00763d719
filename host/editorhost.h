// A plug-in's editor view shown the way a Linux VST 3 host shows it: in a
// window of the host's own (X11EmbedWindowID), with this host as the view's
// IPlugFrame and its run loop driven by poll() in the caller's thread.
#pragma once

#include "host/x11window.h"
#include "vst3/pollrunloop.h"

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"

#include <memory>
#include <string>

namespace KestrumHost
{

class EditorHost : public Steinberg::IPlugFrame
{
public:
    EditorHost();
    // Removes a view still attached.
    ~EditorHost();
    EditorHost(const EditorHost&) = delete;
    EditorHost& operator=(const EditorHost&) = delete;

    // Makes a window of the view's size and attaches the view to it; the
    // view's window must map itself. False with a reason when the view refuses or there is no
    // X server; nothing stays attached then.
    bool attach(Steinberg::IPlugView* view, std::string& error);
    // Removes the attached view and closes the window; false when none.
    bool remove();

    // Services the plug-in's run loop for about `milliseconds`.
    void run(int milliseconds) { loop->run(milliseconds); }

    Steinberg::IPlugView* view() const { return attachedView; }
    X11Window* window() const { return hostWindow.get(); }
    Steinberg::Vst::PollRunLoop& runLoop() const { return *loop; }
    int resizeRequests() const { return resizeCount; }

    // IPlugFrame: the window takes the size the view asks for.
    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view,
                                             Steinberg::ViewRect* newSize) override;
    // Also hands out the run loop. Owned by its creator, who keeps it while
    // a view is attached: not reference counted.
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    Steinberg::IPtr<Steinberg::Vst::PollRunLoop> loop;
    Steinberg::IPtr<Steinberg::IPlugView> attachedView;
    std::unique_ptr<X11Window> hostWindow;
    int resizeCount = 0;
};

} // namespace KestrumHost
