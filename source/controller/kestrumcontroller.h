// The edit controller: the Bypass and Mode parameters with their texts, one
// unit, the mirror of the processor's state, a short text of its own saved as
// the controller state, a MIDI controller mapping, and the text messages that
// the processor sends.
#pragma once

#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

#include <vector>

namespace Kestrum
{

class KestrumEditorView;

class KestrumController : public Steinberg::Vst::EditControllerEx1,
                          public Steinberg::Vst::IMidiMapping
{
public:
    // Units of the saved message text, its terminator included.
    static constexpr Steinberg::int32 kMessageUnits = 128;
    // The flag byte and the text: what getState writes and setState reads.
    static constexpr Steinberg::int32 kStateSize = 1 + kMessageUnits * 2;

    KestrumController() = default;

    static Steinberg::FUnknown* createInstance(void* context);

    // IPluginBase
    Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
    Steinberg::tresult PLUGIN_API terminate() override;

    // IEditController
    Steinberg::tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) override;
    Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) override;
    Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) override;
    Steinberg::tresult PLUGIN_API getParameterInfo(Steinberg::int32 paramIndex,
                                                   Steinberg::Vst::ParameterInfo& info) override;
    Steinberg::tresult PLUGIN_API getParamStringByValue(Steinberg::Vst::ParamID id,
                                                        Steinberg::Vst::ParamValue value,
                                                        Steinberg::Vst::String128 text) override;
    Steinberg::tresult PLUGIN_API setParamNormalized(Steinberg::Vst::ParamID id,
                                                     Steinberg::Vst::ParamValue value) override;
    Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override;

    // IEditController2: the knob mode a host asks for, kept per instance so
    // that the editor can tell it from a host that never asked (the SDK
    // keeps one mode for the whole process, circular until told otherwise).
    // A mode that is none of the three is refused and changes nothing.
    Steinberg::tresult PLUGIN_API setKnobMode(Steinberg::Vst::KnobMode mode) override;
    // The mode the host set on this instance; false while it has set none.
    bool knobModeFromHost(Steinberg::Vst::KnobMode& mode) const;
    Steinberg::tresult PLUGIN_API getParamValueByString(Steinberg::Vst::ParamID id,
                                                        Steinberg::Vst::TChar* text,
                                                        Steinberg::Vst::ParamValue& value) override;

    // Editor registry: open views, in the order they were attached, receive
    // every value set through setParamNormalized.
    void editorAttached(Steinberg::Vst::EditorView* view) override;
    void editorRemoved(Steinberg::Vst::EditorView* view) override;
    void editorDestroyed(Steinberg::Vst::EditorView* view) override;
    const std::vector<KestrumEditorView*>& getEditorViews() const { return editorViews; }

    // IUnitInfo
    Steinberg::tresult PLUGIN_API getUnitInfo(Steinberg::int32 unitIndex,
                                              Steinberg::Vst::UnitInfo& info) override;

    // IMidiMapping
    Steinberg::tresult PLUGIN_API getMidiControllerAssignment(
        Steinberg::int32 busIndex, Steinberg::int16 channel,
        Steinberg::Vst::CtrlNumber midiControllerNumber, Steinberg::Vst::ParamID& id) override;

    // IConnectionPoint / ComponentBase
    Steinberg::tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) override;
    Steinberg::tresult receiveText(const char* text) override;

    OBJ_METHODS(KestrumController, EditControllerEx1)
    DEFINE_INTERFACES
    DEF_INTERFACE(IMidiMapping)
    END_DEFINE_INTERFACES(EditControllerEx1)
    REFCOUNT_METHODS(EditControllerEx1)

private:
    void setMessageText(const char* text);
    // Emptied before the SDK drops the parameters that those views show.
    void forgetEditorViews() { editorViews.clear(); }

    // Not counted: each view holds a reference to the controller instead.
    std::vector<KestrumEditorView*> editorViews;

    bool initialized = false;
    // While the processor's own state is taken over: those values came from
    // the processor and go back to it through no message.
    bool takingComponentState = false;
    bool hostSetKnobMode = false;
    Steinberg::Vst::KnobMode hostKnobMode = Steinberg::Vst::kCircularMode;
    Steinberg::Vst::TChar messageText[kMessageUnits] = {};
};

} // namespace Kestrum
