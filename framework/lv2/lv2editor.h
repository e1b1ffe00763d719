// An LV2 X11 UI over a VST 3 edit controller and its editor view: the
// adapter plays the VST 3 host for both. It is the controller's component
// handler (edits become writes to the plug-in's control ports), the view's
// plug frame (resize requests go to ui:resize) and owns the run loop that
// ui:idleInterface drives in the host's UI thread. The view makes its
// window inside ui:parent; that window is the widget the host gets. A
// ui:scaleFactor among the host's options goes to the view's content scale
// before it is attached, and the scaled size to ui:resize.
#pragma once

#include "lv2/lv2ports.h"
#include "vst3/pollrunloop.h"

#include "public.sdk/source/vst/hosting/hostclasses.h"

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <lv2/ui/ui.h>

#include <cstdint>
#include <memory>

namespace Steinberg
{
namespace Vst
{

class Lv2EditorHost;

class Lv2Editor
{
public:
    using Creator = FUnknown* (*)(void* context);

    // Null when a feature the UI needs (ui:parent) is missing, the
    // controller has no X11 editor or the display cannot be reached.
    static std::unique_ptr<Lv2Editor> create(Creator controllerCreator, Lv2PortLayout layout,
                                             LV2UI_Write_Function write,
                                             LV2UI_Controller hostController,
                                             const LV2_Feature* const* features,
                                             LV2UI_Widget* widget);
    ~Lv2Editor();
    Lv2Editor(const Lv2Editor&) = delete;
    Lv2Editor& operator=(const Lv2Editor&) = delete;

    // A control port's new value, shown by the editor. Anything else (audio
    // ports, other formats, unknown ports) is ignored.
    void portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                   const void* buffer);
    // Services the editor's window and timers without waiting; 0 while open.
    int idle();

    // The plain LV2 UI entry points, for a plug-in's LV2UI_Descriptor.
    static void cleanupCallback(LV2UI_Handle handle);
    static void portEventCallback(LV2UI_Handle handle, std::uint32_t port, std::uint32_t size,
                                  std::uint32_t format, const void* buffer);
    static const void* extensionData(const char* uri);

private:
    explicit Lv2Editor(Lv2PortLayout layout);
    bool init(Creator controllerCreator, LV2UI_Write_Function write,
              LV2UI_Controller hostController, const LV2_Feature* const* features);
    bool openView(std::uintptr_t parent, const LV2UI_Resize* resize, float scaleFactor);
    // The host's ui:scaleFactor option; 0 when it gave none (or no URID map).
    static float scaleFactorOption(const LV2_Feature* const* features);

    // How long the view's window may take to reach the server after
    // attached() returned (it comes from the view's own connection).
    static constexpr int kWindowTimeoutMs = 1000;

    Lv2PortLayout layout;
    HostApplication hostContext;
    IPtr<PollRunLoop> loop;
    IPtr<Lv2EditorHost> host;
    IPtr<IEditController> controller;
    IPtr<IPlugView> view;
    std::uint32_t widget = 0;
    bool controllerInitialized = false;
    bool attached = false;
};

} // namespace Vst
} // namespace Steinberg
