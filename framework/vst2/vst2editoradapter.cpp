#include "vst2/vst2editoradapter.h"
#include "adapter/viewplatform.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace Steinberg
{
namespace Vst
{
namespace
{

constexpr char kEditorViewType[] = "editor";
// effVendorSpecific's index and value for a content scale: 'PreS', 'AeCs'.
constexpr int32 kScaleIndex = 0x50726553;
constexpr intptr_t kScaleValue = 0x41654373;

int16_t toInt16(int32 value)
{
    return static_cast<int16_t>(std::clamp<int32>(value, std::numeric_limits<int16_t>::min(),
                                                  std::numeric_limits<int16_t>::max()));
}

} // namespace

Vst2EditorAdapter::Vst2EditorAdapter(IEditController* controller, audioMasterCallback host,
                                     AEffect* effect, PollRunLoop::Clock clock)
    : controller(controller), loop(owned(new PollRunLoop(std::move(clock)))),
      plugFrame(owned(new Vst2PlugFrame(host, effect, loop)))
{
    // Asked with a throw-away view, as the host wants to know before it
    // opens anything.
    if (makeView())
        editorAvailable = view->isPlatformTypeSupported(hostWindowPlatformType()) == kResultTrue;
    dropView();
}

Vst2EditorAdapter::~Vst2EditorAdapter()
{
    closeEditor();
    plugFrame->detach();
}

intptr_t Vst2EditorAdapter::dispatch(int32 opcode, int32 index, intptr_t value, void* ptr,
                                     float opt)
{
    if (!editorAvailable)
        return 0;
    switch (opcode)
    {
    case Vst2::effEditGetRect:
        return getRect(ptr);
    case Vst2::effEditOpen:
        return openEditor(ptr);
    case Vst2::effEditClose:
        return closeEditor();
    case Vst2::effEditIdle:
        return idle();
    case Vst2::effVendorSpecific:
        return vendorSpecific(index, value, opt);
    default:
        return 0;
    }
}

intptr_t Vst2EditorAdapter::vendorSpecific(int32 index, intptr_t value, float opt)
{
    if (index != kScaleIndex || value != kScaleValue)
        return 0;
    // Kept for views made later: hosts send it before or after effEditOpen.
    if (!makeView())
        return 0;
    FUnknownPtr<IPlugViewContentScaleSupport> scaling(view);
    if (!scaling || scaling->setContentScaleFactor(opt) != kResultTrue)
        return 0;
    scale = opt;
    return 1;
}

bool Vst2EditorAdapter::makeView()
{
    if (view)
        return true;
    if (!controller)
        return false;
    IPlugView* newView = controller->createView(kEditorViewType);
    if (!newView)
        return false;
    view = owned(newView);
    if (scale > 0)
    {
        FUnknownPtr<IPlugViewContentScaleSupport> scaling(view);
        if (scaling)
            scaling->setContentScaleFactor(scale);
    }
    return true;
}

void Vst2EditorAdapter::dropView()
{
    if (view)
        view->setFrame(nullptr);
    view = nullptr;
}

intptr_t Vst2EditorAdapter::getRect(void* ptr)
{
    if (!ptr)
        return 0;
    auto** answer = static_cast<vst_rect**>(ptr);
    *answer = nullptr;
    // The view made here is the one effEditOpen shows, so the size agrees.
    ViewRect size;
    if (!makeView() || view->getSize(&size) != kResultOk)
        return 0;
    rect.top = toInt16(size.top);
    rect.left = toInt16(size.left);
    rect.bottom = toInt16(size.bottom);
    rect.right = toInt16(size.right);
    *answer = &rect;
    return 1;
}

intptr_t Vst2EditorAdapter::openEditor(void* parent)
{
    if (!parent || open || !makeView())
        return 0;
    view->setFrame(plugFrame);
    if (view->attached(parent, hostWindowPlatformType()) != kResultOk)
    {
        dropView();
        loop->clear();
        return 0;
    }
    open = true;
    return 1;
}

intptr_t Vst2EditorAdapter::closeEditor()
{
    if (!view)
        return 0;
    const bool wasOpen = open;
    open = false;
    if (wasOpen)
        view->removed();
    dropView();
    // Whatever the view left registered must not be called any more.
    loop->clear();
    return wasOpen ? 1 : 0;
}

intptr_t Vst2EditorAdapter::idle()
{
    if (!open)
        return 0;
    // The host's idle call must return at once: no waiting for descriptors.
    loop->service(0);
    return 1;
}

} // namespace Vst
} // namespace Steinberg
