#include "lv2/lv2editor.h"

#include "lv2/lv2editorhost.h"
#include "lv2/lv2parentwindow.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cstring>
#include <new>

namespace Steinberg
{
namespace Vst
{
namespace
{

constexpr char kEditorViewType[] = "editor";
constexpr std::uint32_t kFloatProtocol = 0;

const void* findFeature(const LV2_Feature* const* features, const char* uri)
{
    for (int i = 0; features && features[i]; ++i)
        if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0)
            return features[i]->data;
    return nullptr;
}

Lv2Editor* editorOf(LV2UI_Handle handle)
{
    return static_cast<Lv2Editor*>(handle);
}

int idleCallback(LV2UI_Handle handle)
{
    return editorOf(handle)->idle();
}

} // namespace

std::unique_ptr<Lv2Editor> Lv2Editor::create(Creator controllerCreator, Lv2PortLayout layout,
                                             LV2UI_Write_Function write,
                                             LV2UI_Controller hostController,
                                             const LV2_Feature* const* features,
                                             LV2UI_Widget* widget)
{
    if (!controllerCreator || !write || !widget)
        return nullptr;
    std::unique_ptr<Lv2Editor> editor(new (std::nothrow) Lv2Editor(std::move(layout)));
    if (!editor || !editor->init(controllerCreator, write, hostController, features))
        return nullptr;
    *widget = reinterpret_cast<LV2UI_Widget>(static_cast<std::uintptr_t>(editor->widget));
    return editor;
}

Lv2Editor::Lv2Editor(Lv2PortLayout portLayout)
    : layout(std::move(portLayout)), loop(owned(new PollRunLoop))
{
}

Lv2Editor::~Lv2Editor()
{
    if (view)
    {
        if (attached)
            view->removed();
        view->setFrame(nullptr);
        view = nullptr;
    }
    // Whatever the view left registered must not be called any more.
    loop->clear();
    if (host)
        host->detach();
    if (controller)
    {
        controller->setComponentHandler(nullptr);
        if (controllerInitialized)
            controller->terminate();
    }
    controller = nullptr;
}

bool Lv2Editor::init(Creator controllerCreator, LV2UI_Write_Function write,
                     LV2UI_Controller hostController, const LV2_Feature* const* features)
{
    const void* parent = findFeature(features, LV2_UI__parent);
    if (!parent)
        return false;
    FUnknown* made = controllerCreator(nullptr);
    if (!made)
        return false;
    IPtr<FUnknown> instance = owned(made);
    controller = FUnknownPtr<IEditController>(instance);
    if (!controller || controller->initialize(&hostContext) != kResultOk)
        return false;
    controllerInitialized = true;

    host = owned(new Lv2EditorHost(layout, write, hostController, loop));
    host->setTouch(static_cast<const LV2UI_Touch*>(findFeature(features, LV2_UI__touch)));
    controller->setComponentHandler(host);
    const auto* resize = static_cast<const LV2UI_Resize*>(findFeature(features, LV2_UI__resize));
    return openView(reinterpret_cast<std::uintptr_t>(parent), resize, scaleFactorOption(features));
}

float Lv2Editor::scaleFactorOption(const LV2_Feature* const* features)
{
    const auto* options =
        static_cast<const LV2_Options_Option*>(findFeature(features, LV2_OPTIONS__options));
    const auto* map = static_cast<const LV2_URID_Map*>(findFeature(features, LV2_URID__map));
    if (!options || !map || !map->map)
        return 0;
    const LV2_URID scaleFactor = map->map(map->handle, LV2_UI__scaleFactor);
    const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
    for (const LV2_Options_Option* option = options; option->key || option->value; ++option)
    {
        if (option->key == scaleFactor && option->type == floatType &&
            option->size == sizeof(float) && option->value)
        {
            float value = 0;
            std::memcpy(&value, option->value, sizeof(value));
            return value;
        }
    }
    return 0;
}

bool Lv2Editor::openView(std::uintptr_t parent, const LV2UI_Resize* resize, float scaleFactor)
{
    IPlugView* newView = controller->createView(kEditorViewType);
    if (!newView)
        return false;
    view = owned(newView);
    // Before getSize, so the size asked for is the scaled one; a factor the
    // view refuses leaves it at its own scale.
    if (scaleFactor > 0)
    {
        FUnknownPtr<IPlugViewContentScaleSupport> scaling(view);
        if (scaling)
            scaling->setContentScaleFactor(scaleFactor);
    }
    ViewRect size;
    if (view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID) != kResultTrue ||
        view->getSize(&size) != kResultOk)
        return false;

    std::unique_ptr<Lv2ParentWindow> parentWindow = Lv2ParentWindow::open(parent);
    if (!parentWindow)
        return false;
    host->setResize(resize);
    view->setFrame(host);
    if (view->attached(reinterpret_cast<void*>(parent), kPlatformTypeX11EmbedWindowID) != kResultOk)
        return false;
    attached = true;
    widget = parentWindow->newChild(kWindowTimeoutMs);
    if (widget == 0)
        return false;
    if (resize && resize->ui_resize)
        resize->ui_resize(resize->handle, size.getWidth(), size.getHeight());
    return true;
}

void Lv2Editor::portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                          const void* buffer)
{
    const Lv2ControlPort* control = layout.findControl(port);
    if (!control || format != kFloatProtocol || size != sizeof(float) || !buffer)
        return;
    float value = 0.0f;
    std::memcpy(&value, buffer, sizeof(value));
    ParamValue normalized = 0.0;
    // The controller passes the value on to every open view.
    if (control->toNormalized(value, normalized))
        controller->setParamNormalized(control->id, normalized);
}

int Lv2Editor::idle()
{
    // The host's idle call must return at once: no waiting for descriptors.
    loop->service(0);
    return 0;
}

void Lv2Editor::cleanupCallback(LV2UI_Handle handle)
{
    delete editorOf(handle);
}

void Lv2Editor::portEventCallback(LV2UI_Handle handle, std::uint32_t port, std::uint32_t size,
                                  std::uint32_t format, const void* buffer)
{
    editorOf(handle)->portEvent(port, size, format, buffer);
}

const void* Lv2Editor::extensionData(const char* uri)
{
    static const LV2UI_Idle_Interface idleInterface = {idleCallback};
    if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0)
        return &idleInterface;
    return nullptr;
}

} // namespace Vst
} // namespace Steinberg
