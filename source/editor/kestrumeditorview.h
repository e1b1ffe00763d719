// The plug-in's editor: a 270 x 170 (logical pixels) window with the background
// picture, the bypass button, the mode knob and the splash screen behind
// the product panel. Gestures become edits on the controller; the
// controller pushes values back through update().
#pragma once

#include "gui/ccontrol.h"
#include "vst3/vstguieditor.h"

#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "pluginterfaces/vst/ivstplugview.h"

namespace VSTGUI
{
class CAnimKnob;
class CBitmap;
class CMovieButton;
} // namespace VSTGUI

namespace Kestrum
{

class KestrumEditorView : public Steinberg::Vst::VSTGUIEditor,
                          public VSTGUI::IControlListener,
                          public Steinberg::Vst::IParameterFinder,
                          public Steinberg::Vst::IContextMenuTarget
{
public:
    // Control tags: four characters, the first in the highest byte.
    static constexpr std::int32_t kBypassTag = 0x42797073; // "Byps"
    static constexpr std::int32_t kModeTag = 0x4D6F6465;   // "Mode"
    static constexpr std::int32_t kSplashTag = 0x78787878; // "xxxx"
    // Host context-menu commands that reset a parameter to its default.
    static constexpr Steinberg::int32 kResetBypassItemTag = 1235;
    static constexpr Steinberg::int32 kResetModeItemTag = 1236;

    static constexpr int kWidth = 270;
    static constexpr int kHeight = 170;
    static constexpr Steinberg::int32 kIdleRateMs = 50;

    explicit KestrumEditorView(Steinberg::Vst::EditController* controller);
    ~KestrumEditorView() override;

    bool open(void* parent) override;
    void close() override;

    // Shows a parameter value pushed by the controller; IDs other than
    // Bypass and Mode, and a closed view, are ignored. (FObject's own
    // change-notification update stays available beside it.)
    using VSTGUIEditor::update;
    void update(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value);

    // IControlListener
    void valueChanged(VSTGUI::CControl* control) override;
    void controlBeginEdit(VSTGUI::CControl* control) override;
    void controlEndEdit(VSTGUI::CControl* control) override;

    // IParameterFinder
    Steinberg::tresult PLUGIN_API findParameter(Steinberg::int32 xPos, Steinberg::int32 yPos,
                                                Steinberg::Vst::ParamID& resultTag) override;
    // IContextMenuTarget
    Steinberg::tresult PLUGIN_API executeMenuItem(Steinberg::int32 tag) override;
    // IPlugView
    Steinberg::tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect* rect) override;

    // The knob mode the host set on the controller; a vertical drag (a
    // CKnobMode of its own) when it set none, as VST 2, LV2 and most VST 3
    // hosts do.
    Steinberg::int32 getKnobMode() const override;

    // The controls while open, null while closed.
    VSTGUI::CAnimKnob* getModeKnob() const { return modeKnob; }
    VSTGUI::CMovieButton* getBypassButton() const { return bypassButton; }

    OBJ_METHODS(KestrumEditorView, VSTGUIEditor)
    DEFINE_INTERFACES
    DEF_INTERFACE(Steinberg::Vst::IParameterFinder)
    DEF_INTERFACE(Steinberg::Vst::IContextMenuTarget)
    END_DEFINE_INTERFACES(VSTGUIEditor)
    REFCOUNT_METHODS(VSTGUIEditor)

private:
    Steinberg::tresult resetToDefault(Steinberg::Vst::ParamID id);

    VSTGUI::CBitmap* backgroundBitmap = nullptr;
    VSTGUI::CBitmap* splashBitmap = nullptr;
    VSTGUI::CAnimKnob* modeKnob = nullptr;
    VSTGUI::CMovieButton* bypassButton = nullptr;
};

} // namespace Kestrum
