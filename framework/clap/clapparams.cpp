// The CLAP adapter's parameters: CLAP's plain values and texts over the
// controller's normalised parameters, flush, and the editor's edits on
// their way to the host.
#include "clap/clapcomponenthandler.h"
#include "clap/clapplugin.h"

#include "base/source/fstring.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace Steinberg
{
namespace Vst
{
namespace
{

std::string toUtf8(const String128 text)
{
    String converted(text);
    converted.toMultiByte(kCP_Utf8);
    return converted.text8() ? converted.text8() : "";
}

// Cut to `size` bytes with the terminator, never inside a UTF-8 character.
void copyText(const std::string& text, char* target, uint32_t size)
{
    if (!target || size == 0)
        return;
    size_t length = std::min<size_t>(text.size(), size - 1);
    while (length > 0 && length < text.size() &&
           (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length;
    std::memcpy(target, text.data(), length);
    target[length] = 0;
}

} // namespace

// --- Conversions ------------------------------------------------------------

const ClapParameterScale* ClapPlugin::scaleOf(int32 index) const
{
    const ParamID id = pair->parameters()[static_cast<size_t>(index)].id;
    for (const ClapParameterScale& scale : definition.scales)
    {
        if (scale.id == id)
            return &scale;
    }
    return nullptr;
}

double ClapPlugin::maxValueOf(int32 index) const
{
    if (const ClapParameterScale* scale = scaleOf(index))
        return scale->maxValue;
    const int32 steps = pair->parameters()[static_cast<size_t>(index)].stepCount;
    return steps > 0 ? steps : 1.0;
}

ParamValue ClapPlugin::toNormalized(int32 index, double plain) const
{
    if (const ClapParameterScale* scale = scaleOf(index))
        return std::clamp(scale->toNormalized(plain), 0.0, 1.0);
    const int32 steps = pair->parameters()[static_cast<size_t>(index)].stepCount;
    if (steps > 0)
        return std::clamp(std::nearbyint(plain), 0.0, static_cast<double>(steps)) / steps;
    return std::clamp(plain, 0.0, 1.0);
}

double ClapPlugin::toPlain(int32 index, ParamValue normalized) const
{
    if (const ClapParameterScale* scale = scaleOf(index))
        return scale->toPlain(normalized);
    const int32 steps = pair->parameters()[static_cast<size_t>(index)].stepCount;
    if (steps > 0)
        return std::min<double>(steps, std::floor(normalized * (steps + 1)));
    return normalized;
}

// --- The params extension ---------------------------------------------------

uint32_t ClapPlugin::parameterCount() const
{
    return pair ? static_cast<uint32_t>(pair->parameters().size()) : 0;
}

bool ClapPlugin::parameterInfo(uint32_t index, clap_param_info_t* info) const
{
    if (!info || index >= parameterCount())
        return false;
    const auto i = static_cast<int32>(index);
    const ParameterInfo& vst3 = pair->parameters()[index];
    const ClapParameterScale* scale = scaleOf(i);
    *info = clap_param_info_t{};
    info->id = vst3.id;
    if (scale ? scale->stepped : vst3.stepCount > 0)
        info->flags |= CLAP_PARAM_IS_STEPPED;
    if (vst3.flags & ParameterInfo::kIsBypass)
        info->flags |= CLAP_PARAM_IS_BYPASS;
    if (vst3.flags & ParameterInfo::kIsReadOnly)
        info->flags |= CLAP_PARAM_IS_READONLY;
    if (vst3.flags & ParameterInfo::kIsHidden)
        info->flags |= CLAP_PARAM_IS_HIDDEN;
    if (vst3.flags & ParameterInfo::kCanAutomate)
        info->flags |= CLAP_PARAM_IS_AUTOMATABLE;
    copyText(toUtf8(vst3.title), info->name, sizeof(info->name));
    info->module[0] = 0;
    info->min_value = 0.0;
    info->max_value = maxValueOf(i);
    info->default_value = toPlain(i, vst3.defaultNormalizedValue);
    return true;
}

bool ClapPlugin::parameterValue(clap_id id, double* value) const
{
    const int32 index = pair && value ? pair->indexOf(id) : -1;
    if (index < 0)
        return false;
    // The host's latest value, also when the controller has yet to see it.
    *value = toPlain(index, pair->handoff().get(index));
    return true;
}

bool ClapPlugin::valueToText(clap_id id, double value, char* display, uint32_t size) const
{
    const int32 index = pair && display && size > 0 ? pair->indexOf(id) : -1;
    if (index < 0 || !std::isfinite(value))
        return false;
    String128 text{};
    if (pair->controller().getParamStringByValue(id, toNormalized(index, value), text) != kResultOk)
        return false;
    text[127] = 0;
    copyText(toUtf8(text), display, size);
    return true;
}

bool ClapPlugin::textToValue(clap_id id, const char* display, double* value) const
{
    const int32 index = pair && display && value ? pair->indexOf(id) : -1;
    if (index < 0)
        return false;
    // A stepped parameter takes the texts it shows for its steps, so that
    // every text the host got back from valueToText reads again.
    clap_param_info_t info{};
    if (parameterInfo(static_cast<uint32_t>(index), &info) && (info.flags & CLAP_PARAM_IS_STEPPED))
    {
        char shown[CLAP_NAME_SIZE];
        for (double step = 0.0; step <= info.max_value; step += 1.0)
        {
            if (valueToText(id, step, shown, sizeof(shown)) && std::strcmp(shown, display) == 0)
            {
                *value = step;
                return true;
            }
        }
    }
    String converted(display);
    converted.toWideString(kCP_Utf8);
    ParamValue normalized = 0.0;
    if (pair->controller().getParamValueByString(id, const_cast<TChar*>(converted.text16()),
                                                 normalized) != kResultOk ||
        !std::isfinite(normalized))
        return false;
    *value = toPlain(index, std::clamp(normalized, 0.0, 1.0));
    return true;
}

void ClapPlugin::flush(const clap_input_events_t* in, const clap_output_events_t* out)
{
    if (!pair)
        return;
    inputChanges->clear();
    outputChanges->clear();
    sendEdits(out);
    const uint32_t numEvents = in && in->size ? in->size(in) : 0;
    for (uint32_t i = 0; i < numEvents; ++i)
    {
        if (const clap_event_header_t* header = in->get(in, i))
            takeInputEvent(*header);
    }
    // No audio: the processor takes the values as a block of no samples.
    if (!inputChanges->empty())
    {
        block.data.numSamples = 0;
        block.data.inputParameterChanges = inputChanges.get();
        block.data.outputParameterChanges = outputChanges.get();
        block.data.numInputs = 0;
        block.data.numOutputs = 0;
        pair->processor().process(block.data);
        block.data.numInputs = numInputs > 0 ? 1 : 0;
        block.data.numOutputs = 1;
        inputChanges->clear();
    }
    // Inactive, flush runs on the main thread: the controller learns at once.
    if (!active)
        onMainThread();
    else if (controllerBehind.load(std::memory_order_relaxed) && host->request_callback)
        host->request_callback(host);
}

// --- Edits from the plug-in's editor ----------------------------------------

bool ClapPlugin::pushParameterEvent(const clap_output_events_t* out, uint16_t type, int32 index,
                                    double value) const
{
    if (!out || !out->try_push)
        return false;
    const ParamID id = pair->parameters()[static_cast<size_t>(index)].id;
    if (type == CLAP_EVENT_PARAM_VALUE)
    {
        clap_event_param_value_t event{};
        event.header = {sizeof(event), 0, CLAP_CORE_EVENT_SPACE_ID, type, 0};
        event.param_id = id;
        event.note_id = -1;
        event.port_index = -1;
        event.channel = -1;
        event.key = -1;
        event.value = value;
        return out->try_push(out, &event.header);
    }
    clap_event_param_gesture_t event{};
    event.header = {sizeof(event), 0, CLAP_CORE_EVENT_SPACE_ID, type, 0};
    event.param_id = id;
    return out->try_push(out, &event.header);
}

void ClapPlugin::sendEdits(const clap_output_events_t* out)
{
    const auto count = static_cast<int32>(pair->parameters().size());
    for (int32 i = 0; i < count; ++i)
    {
        if (gestures[i].load(std::memory_order_acquire) & kBeginPending)
        {
            gestures[i].fetch_and(static_cast<uint8_t>(~kBeginPending), std::memory_order_acq_rel);
            pushParameterEvent(out, CLAP_EVENT_PARAM_GESTURE_BEGIN, i, 0.0);
        }
    }
    pair->handoff().takeProcessorChanges(
        [this, out](int32 index, double value)
        {
            inputChanges->add(pair->parameters()[static_cast<size_t>(index)].id, value);
            pushParameterEvent(out, CLAP_EVENT_PARAM_VALUE, index, toPlain(index, value));
        });
    for (int32 i = 0; i < count; ++i)
    {
        if (gestures[i].load(std::memory_order_acquire) & kEndPending)
        {
            gestures[i].fetch_and(static_cast<uint8_t>(~kEndPending), std::memory_order_acq_rel);
            pushParameterEvent(out, CLAP_EVENT_PARAM_GESTURE_END, i, 0.0);
        }
    }
}

void ClapPlugin::beginEdit(int32 index)
{
    gestures[index].fetch_or(kBeginPending, std::memory_order_acq_rel);
}

void ClapPlugin::performEdit(int32 index, ParamValue normalized)
{
    pair->handoff().set(index, normalized, ParameterHandoff::Origin::kController);
    // The host delivers the edit with its next process or flush.
    if (hostParams && hostParams->request_flush)
        hostParams->request_flush(host);
}

void ClapPlugin::endEdit(int32 index)
{
    gestures[index].fetch_or(kEndPending, std::memory_order_acq_rel);
    if (hostParams && hostParams->request_flush)
        hostParams->request_flush(host);
}

void ClapPlugin::rescanParameters(clap_param_rescan_flags flags)
{
    if (hostParams && hostParams->rescan)
        hostParams->rescan(host, flags);
}

tresult PLUGIN_API ClapComponentHandler::beginEdit(ParamID id)
{
    const int32 index = pair.indexOf(id);
    if (index < 0)
        return kInvalidArgument;
    plugin.beginEdit(index);
    return kResultOk;
}

tresult PLUGIN_API ClapComponentHandler::performEdit(ParamID id, ParamValue valueNormalized)
{
    const int32 index = pair.indexOf(id);
    if (index < 0 || std::isnan(valueNormalized))
        return kInvalidArgument;
    plugin.performEdit(index, std::clamp(valueNormalized, 0.0, 1.0));
    return kResultOk;
}

tresult PLUGIN_API ClapComponentHandler::endEdit(ParamID id)
{
    const int32 index = pair.indexOf(id);
    if (index < 0)
        return kInvalidArgument;
    plugin.endEdit(index);
    return kResultOk;
}

tresult PLUGIN_API ClapComponentHandler::restartComponent(int32 flags)
{
    if (flags & (kParamValuesChanged | kParamTitlesChanged))
        plugin.rescanParameters(CLAP_PARAM_RESCAN_VALUES | CLAP_PARAM_RESCAN_TEXT);
    return kResultOk;
}

tresult PLUGIN_API ClapComponentHandler::queryInterface(const TUID iid, void** obj)
{
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IComponentHandler)
    QUERY_INTERFACE(iid, obj, IComponentHandler::iid, IComponentHandler)
    *obj = nullptr;
    return kNoInterface;
}

} // namespace Vst
} // namespace Steinberg
