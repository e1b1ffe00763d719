#include "controller/kestrumcontroller.h"

#include "controller/bypassparameter.h"
#include "controller/modeparameter.h"
#include "editor/kestrumeditorview.h"
#include "module/kestrumparamids.h"
#include "vst3/parametermessage.h"
#include "vst3/textmessage.h"

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/base/ustring.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace Kestrum
{

namespace
{

constexpr UnitID kUnitId = 1;
constexpr int32 kBypassFlags = ParameterInfo::kCanAutomate | ParameterInfo::kIsBypass;
constexpr int32 kModeFlags = ParameterInfo::kCanAutomate;
constexpr int32 kMidiBusIndex = 0;

// A read or write only counts when it moved every byte: a short read is a
// truncated state, not a value.
bool readExactly(IBStream& stream, void* buffer, int32 size, tresult& result)
{
    int32 count = 0;
    result = stream.read(buffer, size, &count);
    if (result == kResultOk && count != size)
        result = kResultFalse;
    return result == kResultOk;
}

bool writeExactly(IBStream& stream, void* buffer, int32 size, tresult& result)
{
    int32 count = 0;
    result = stream.write(buffer, size, &count);
    if (result == kResultOk && count != size)
        result = kResultFalse;
    return result == kResultOk;
}

} // namespace

FUnknown* KestrumController::createInstance(void* /*context*/)
{
    auto* controller = new (std::nothrow) KestrumController;
    return controller ? static_cast<IEditController*>(controller) : nullptr;
}

tresult PLUGIN_API KestrumController::initialize(FUnknown* context)
{
    // The SDK refuses a second initialize only when a host context was
    // given; without one it would add every parameter a second time.
    if (initialized)
        return kResultFalse;
    const tresult result = EditControllerEx1::initialize(context);
    if (result != kResultOk)
        return result;

    UnitInfo unitInfo{};
    unitInfo.id = kUnitId;
    unitInfo.parentUnitId = kRootUnitId;
    UString(unitInfo.name, str16BufferSize(String128)).assign(STR16("Unit1"));
    unitInfo.programListId = kNoProgramListId;
    addUnit(new Unit(unitInfo));

    parameters.addParameter(new BypassParameter(kBypassFlags, kBypassId));
    parameters.addParameter(new ModeParameter(kModeFlags, kModeId));

    setMessageText("Hello World!");
    initialized = true;
    return kResultOk;
}

tresult PLUGIN_API KestrumController::terminate()
{
    forgetEditorViews();
    initialized = false;
    return EditControllerEx1::terminate();
}

void KestrumController::setMessageText(const char* text)
{
    std::memset(messageText, 0, sizeof(messageText));
    UString(messageText, kMessageUnits).fromAscii(text);
}

tresult PLUGIN_API KestrumController::setComponentState(IBStream* state)
{
    // Hosts hand over an absent processor state for a fresh instance.
    if (!state)
        return kResultOk;

    int32 savedBypass = 0;
    float savedMode = 0.0f;
    tresult result = kResultOk;
    if (!readExactly(*state, &savedBypass, sizeof(savedBypass), result) ||
        !readExactly(*state, &savedMode, sizeof(savedMode), result))
        return kResultFalse;

    // Bypass is on exactly when the processor applies it: for a positive
    // flag. The Mode value goes on unclamped so that whoever follows
    // setParamNormalized sees what the processor stored.
    takingComponentState = true;
    setParamNormalized(kBypassId, savedBypass > 0 ? 1.0 : 0.0);
    setParamNormalized(kModeId, static_cast<ParamValue>(savedMode));
    takingComponentState = false;
    return kResultOk;
}

tresult PLUGIN_API KestrumController::setState(IBStream* state)
{
    if (!state)
        return kInvalidArgument;

    uint8 byteOrder = 0;
    uint8 bytes[kMessageUnits * 2];
    tresult result = kResultOk;
    if (!readExactly(*state, &byteOrder, sizeof(byteOrder), result) ||
        !readExactly(*state, bytes, sizeof(bytes), result))
        return result;

    // Only a complete text is taken, and it always ends within its buffer.
    const bool bigEndian = byteOrder != 0;
    for (int32 i = 0; i < kMessageUnits; ++i)
    {
        const uint8 first = bytes[2 * i];
        const uint8 second = bytes[2 * i + 1];
        messageText[i] =
            static_cast<TChar>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    messageText[kMessageUnits - 1] = 0;
    return kResultOk;
}

tresult PLUGIN_API KestrumController::getState(IBStream* state)
{
    if (!state)
        return kInvalidArgument;

    // Always little-endian, whatever the machine, so the flag byte is 0.
    uint8 byteOrder = 0;
    uint8 bytes[kMessageUnits * 2];
    for (int32 i = 0; i < kMessageUnits; ++i)
    {
        bytes[2 * i] = static_cast<uint8>(messageText[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<uint8>(messageText[i] >> 8);
    }
    tresult result = kResultOk;
    if (!writeExactly(*state, &byteOrder, sizeof(byteOrder), result))
        return kResultFalse;
    writeExactly(*state, bytes, sizeof(bytes), result);
    return result;
}

// The SDK looks the index up with a throwing accessor; a host asking past
// the end must get a plain refusal.
tresult PLUGIN_API KestrumController::getParameterInfo(int32 paramIndex, ParameterInfo& info)
{
    if (paramIndex < 0 || paramIndex >= getParameterCount())
        return kResultFalse;
    return EditControllerEx1::getParameterInfo(paramIndex, info);
}

tresult PLUGIN_API KestrumController::getParamStringByValue(ParamID id, ParamValue value,
                                                            String128 text)
{
    if (!text)
        return kInvalidArgument;
    return EditControllerEx1::getParamStringByValue(id, value, text);
}

tresult PLUGIN_API KestrumController::getParamValueByString(ParamID id, TChar* text,
                                                            ParamValue& value)
{
    if (!text)
        return kInvalidArgument;
    return EditControllerEx1::getParamValueByString(id, text, value);
}

tresult PLUGIN_API KestrumController::getUnitInfo(int32 unitIndex, UnitInfo& info)
{
    if (unitIndex < 0 || unitIndex >= getUnitCount())
        return kResultFalse;
    return EditControllerEx1::getUnitInfo(unitIndex, info);
}

tresult PLUGIN_API KestrumController::getMidiControllerAssignment(int32 busIndex, int16 /*channel*/,
                                                                  CtrlNumber midiControllerNumber,
                                                                  ParamID& id)
{
    if (busIndex != kMidiBusIndex || midiControllerNumber != kCtrlVolume)
        return kResultFalse;
    id = kModeId;
    return kResultTrue;
}

tresult PLUGIN_API KestrumController::setParamNormalized(ParamID id, ParamValue value)
{
    const tresult result = EditControllerEx1::setParamNormalized(id, value);
    // The processor saves what the host set even before its next block brings
    // the value: it learns it now, as the controller holds it.
    if (result == kResultOk && !takingComponentState)
        sendParameterValue(*this, id, getParamNormalized(id));
    // The length is read afresh at every step: a view may close while it is
    // being updated.
    for (size_t i = 0; i < editorViews.size(); ++i)
    {
        if (KestrumEditorView* view = editorViews[i])
            view->update(id, value);
    }
    return result;
}

IPlugView* PLUGIN_API KestrumController::createView(FIDString name)
{
    if (!name || std::strcmp(name, "editor") != 0)
        return nullptr;
    auto* view = new (std::nothrow) KestrumEditorView(this);
    return view ? static_cast<IPlugView*>(view) : nullptr;
}

tresult PLUGIN_API KestrumController::setKnobMode(KnobMode mode)
{
    if (mode != kCircularMode && mode != kRelativCircularMode && mode != kLinearMode)
        return kResultFalse;
    hostKnobMode = mode;
    hostSetKnobMode = true;
    return EditControllerEx1::setKnobMode(mode);
}

bool KestrumController::knobModeFromHost(KnobMode& mode) const
{
    if (hostSetKnobMode)
        mode = hostKnobMode;
    return hostSetKnobMode;
}

void KestrumController::editorAttached(EditorView* view)
{
    if (auto* editor = dynamic_cast<KestrumEditorView*>(view))
        editorViews.push_back(editor);
}

void KestrumController::editorRemoved(EditorView* view)
{
    if (!dynamic_cast<KestrumEditorView*>(view))
        return;
    const auto it =
        std::find_if(editorViews.begin(), editorViews.end(),
                     [view](KestrumEditorView* e) { return static_cast<EditorView*>(e) == view; });
    if (it != editorViews.end())
        editorViews.erase(it);
}

void KestrumController::editorDestroyed(EditorView* view)
{
    // Called from the base destructor, when the view is no longer a
    // KestrumEditorView: compare addresses only, and drop every entry, so no
    // dangling pointer is ever updated.
    editorViews.erase(std::remove_if(editorViews.begin(), editorViews.end(),
                                     [view](KestrumEditorView* e)
                                     { return static_cast<EditorView*>(e) == view; }),
                      editorViews.end());
}

// The SDK's own handling reads the text into a buffer that a long text
// leaves unterminated and converts it with a converter that throws on a
// lone surrogate; this one bounds the text and converts it safely.
tresult PLUGIN_API KestrumController::notify(IMessage* message)
{
    std::string text;
    const tresult result = readTextMessage(message, text);
    return result == kResultOk ? receiveText(text.c_str()) : result;
}

tresult KestrumController::receiveText(const char* text)
{
    if (!text)
        return kResultOk;
    // One write per line, so that lines of several instances never
    // interleave; the text is printed as it is, never as a format.
    std::string line = "[KestrumController] received: ";
    line += text;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    return kResultOk;
}

} // namespace Kestrum
