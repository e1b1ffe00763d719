// The mode knob dragged straight up and down in each format's editor, in a
// bare parent window under Xvfb, with no knob mode from the host (VST 2 and
// LV2 have none; a VST 3 host may never set one): the drag must turn the
// knob, one gesture framed by begin and end.
#include "host/editorhost.h"
#include "host/vst2editor.h"
#include "host/vst2plugin.h"
#include "host/vst3plugin.h"
#include "host/x11window.h"
#include "processor/filtermode.h"
#include "support/lilvworld.h"
#include "support/xvfb.h"

#include <lv2/ui/ui.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <dlfcn.h>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#if defined(KESTRUM_VST3_BUNDLE_PATH) && defined(KESTRUM_VST2_MODULE_PATH) &&                      \
    defined(KESTRUM_LV2_BUNDLE_PATH)

using namespace Steinberg;
using Kestrum::FilterMode;

namespace
{

constexpr Vst::ParamID kMode = 1;
constexpr std::uint32_t kLv2ModePort = 5;
constexpr int kSettleMs = 300;

// One format's editor open in a window of the host's own, at "bass drop".
class FormatEditor
{
public:
    virtual ~FormatEditor() = default;
    virtual unsigned long window() const = 0;
    virtual void run(int milliseconds) = 0;
    // The mode the host now has, and the edits it saw: "begin", "value",
    // "end".
    virtual FilterMode mode() const = 0;
    virtual std::vector<std::string> edits() const = 0;
};

FilterMode modeOf(double normalized)
{
    FilterMode mode = Kestrum::kModeBassDrop;
    EXPECT_TRUE(Kestrum::modeForValue(normalized, mode)) << normalized;
    return mode;
}

class Vst3Format : public FormatEditor
{
public:
    explicit Vst3Format(std::string& error)
    {
        plugin = KestrumHost::Vst3Plugin::open(KESTRUM_VST3_BUNDLE_PATH, error);
        if (!plugin || !plugin->start(44100.0, 64, 2))
            return;
        // No setKnobMode: most VST 3 hosts never call it.
        view = owned(plugin->controller()->createView("editor"));
        attached = view && host.attach(view, error);
    }
    bool ok() const { return attached; }

    unsigned long window() const override { return host.window()->id(); }
    void run(int milliseconds) override { host.run(milliseconds); }
    FilterMode mode() const override { return modeOf(plugin->getParameter(kMode)); }
    std::vector<std::string> edits() const override
    {
        using Type = KestrumHost::ComponentHandler::CallType;
        std::vector<std::string> seen;
        for (const auto& call : plugin->handler().calls())
            if (call.id == kMode && call.type != Type::restartComponent)
                seen.push_back(call.type == Type::beginEdit     ? "begin"
                               : call.type == Type::performEdit ? "value"
                                                                : "end");
        return seen;
    }

private:
    std::unique_ptr<KestrumHost::Vst3Plugin> plugin;
    IPtr<IPlugView> view;
    KestrumHost::EditorHost host;
    bool attached = false;
};

class Vst2Format : public FormatEditor
{
public:
    explicit Vst2Format(std::string& error)
    {
        plugin = KestrumHost::Vst2Plugin::open(KESTRUM_VST2_MODULE_PATH, error);
        if (plugin && plugin->start(44100.0, 64, 2))
            editor = KestrumHost::Vst2Editor::open(*plugin, error);
        if (editor)
            plugin->clearHostCalls();
    }
    bool ok() const { return editor != nullptr; }

    unsigned long window() const override { return editor->window().id(); }
    void run(int milliseconds) override { editor->run(milliseconds); }
    FilterMode mode() const override { return modeOf(plugin->getParameter(kMode)); }
    std::vector<std::string> edits() const override
    {
        std::vector<std::string> seen;
        for (const auto& call : plugin->hostCalls())
        {
            if (call.index != static_cast<int32_t>(kMode))
                continue;
            if (call.opcode == Vst2::audioMasterBeginEdit)
                seen.push_back("begin");
            else if (call.opcode == Vst2::audioMasterAutomate)
                seen.push_back("value");
            else if (call.opcode == Vst2::audioMasterEndEdit)
                seen.push_back("end");
        }
        return seen;
    }

private:
    std::unique_ptr<KestrumHost::Vst2Plugin> plugin;
    std::unique_ptr<KestrumHost::Vst2Editor> editor;
};

// The UI binary as an LV2 host loads it: ui:parent, idle interface, touch.
class Lv2Format : public FormatEditor
{
public:
    explicit Lv2Format(std::string& error)
    {
        parent = KestrumHost::X11Window::create(270, 170, error);
        library = dlopen(KESTRUM_LV2_BUNDLE_PATH "/kestrum_ui.so", RTLD_NOW | RTLD_LOCAL);
        auto entry =
            library ? reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"))
                    : nullptr;
        descriptor = entry ? entry(0) : nullptr;
        if (!parent || !descriptor)
        {
            error += library ? " no UI descriptor" : dlerror();
            return;
        }
        idle = static_cast<const LV2UI_Idle_Interface*>(
            descriptor->extension_data(LV2_UI__idleInterface));
        const LV2_Feature parentFeature{LV2_UI__parent, parent->handle()};
        const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
        const LV2_Feature touchFeature{LV2_UI__touch, &touch};
        const LV2_Feature* features[] = {&parentFeature, &idleFeature, &touchFeature, nullptr};
        LV2UI_Widget widget = nullptr;
        handle =
            descriptor->instantiate(descriptor, KestrumTest::kLv2PluginUri, KESTRUM_LV2_BUNDLE_PATH,
                                    writePort, this, &widget, features);
        if (handle)
        {
            const float bassDrop = Kestrum::kModeBassDrop;
            descriptor->port_event(handle, kLv2ModePort, sizeof bassDrop, 0, &bassDrop);
        }
    }
    ~Lv2Format() override
    {
        if (handle)
            descriptor->cleanup(handle);
        if (library)
            dlclose(library);
    }
    bool ok() const { return handle && idle; }

    unsigned long window() const override { return parent->id(); }
    void run(int milliseconds) override
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < end)
        {
            idle->idle(handle);
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
        }
    }
    FilterMode mode() const override { return static_cast<FilterMode>(lastMode); }
    std::vector<std::string> edits() const override { return seen; }

private:
    static void writePort(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size,
                          std::uint32_t /*format*/, const void* buffer)
    {
        auto* self = static_cast<Lv2Format*>(controller);
        if (port != kLv2ModePort || size != sizeof(float))
            return;
        float value = 0.f;
        std::memcpy(&value, buffer, sizeof value);
        self->lastMode = static_cast<int>(value);
        self->seen.push_back("value");
    }
    static void touchPort(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed)
    {
        if (port == kLv2ModePort)
            static_cast<Lv2Format*>(handle)->seen.push_back(grabbed ? "begin" : "end");
    }

    std::unique_ptr<KestrumHost::X11Window> parent;
    void* library = nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idle = nullptr;
    LV2UI_Handle handle = nullptr;
    LV2UI_Touch touch{this, touchPort};
    int lastMode = Kestrum::kModeBassDrop;
    std::vector<std::string> seen;
};

template <class Editor> std::unique_ptr<FormatEditor> openEditor(std::string& error)
{
    auto editor = std::make_unique<Editor>(error);
    return editor->ok() ? std::move(editor) : nullptr;
}

TEST(KnobDragTest, AVerticalDragTurnsTheKnobInEveryFormat)
{
    if (!KestrumTest::XvfbServer::available())
        GTEST_SKIP() << "Xvfb or xdotool missing";
    KestrumTest::XvfbServer xvfb;
    ASSERT_TRUE(xvfb.running()) << xvfb.problem();

    const struct
    {
        const char* name;
        std::function<std::unique_ptr<FormatEditor>(std::string&)> open;
    } formats[] = {
        {"VST 3, no knob mode", openEditor<Vst3Format>},
        {"VST 2", openEditor<Vst2Format>},
        {"LV2", openEditor<Lv2Format>},
    };
    // From the knob's centre (200, 110), at "bass drop".
    const struct
    {
        int dy;
        FilterMode mode;
    } drags[] = {
        {-60, Kestrum::kModeGuitar},
        {60, Kestrum::kModeSuperLow},
        // Less than half a mode's distance keeps the mode.
        {-15, Kestrum::kModeBassDrop},
    };
    for (const auto& format : formats)
    {
        for (const auto& drag : drags)
        {
            SCOPED_TRACE(std::string(format.name) + ", dy " + std::to_string(drag.dy));
            std::string error;
            const std::unique_ptr<FormatEditor> editor = format.open(error);
            ASSERT_TRUE(editor) << error;
            editor->run(kSettleMs);
            ASSERT_EQ(editor->mode(), Kestrum::kModeBassDrop);
            const std::string actions = "200 110 mousedown 1 mousemove --window " +
                                        std::to_string(editor->window()) + " 200 " +
                                        std::to_string(110 + drag.dy) + " mouseup 1";
            ASSERT_TRUE(KestrumTest::xdotoolInWindow(editor->window(), actions));
            editor->run(kSettleMs);
            EXPECT_EQ(editor->mode(), drag.mode);
            const std::vector<std::string> edits = editor->edits();
            ASSERT_GE(edits.size(), 2u);
            EXPECT_EQ(edits.front(), "begin");
            EXPECT_EQ(edits.back(), "end");
            EXPECT_EQ(std::count(edits.begin(), edits.end(), "begin"), 1);
        }
    }
}

} // namespace

#endif
