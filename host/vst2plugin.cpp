#include "host/vst2plugin.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace KestrumHost
{
namespace
{

constexpr char kHostName[] = "Kestrum host";
// Far beyond any VST 2 text limit, so that an effect writing too much shows.
constexpr size_t kTextBufferSize = 256;

// Who answers the callback while VSTPluginMain runs: the new effect has no
// link back to its host yet.
struct Loading
{
    Vst2Plugin* plugin = nullptr;
    std::vector<Vst2Plugin::HostCall>* calls = nullptr;
    intptr_t hostVersion = 0;
};
thread_local Loading loading;

} // namespace

Vst2Plugin::Vst2Plugin(std::shared_ptr<Vst2Library> library, intptr_t hostVersion)
    : library(std::move(library)), hostVersion(hostVersion)
{
}

std::unique_ptr<Vst2Plugin> Vst2Plugin::create(std::shared_ptr<Vst2Library> library,
                                               std::string& error, intptr_t hostVersion)
{
    if (!library || !library->main())
    {
        error = "no VST 2 library";
        return nullptr;
    }
    std::unique_ptr<Vst2Plugin> plugin(new Vst2Plugin(library, hostVersion));
    loading = Loading{plugin.get(), nullptr, hostVersion};
    AEffect* effect = library->main()(hostCallback);
    loading = Loading{};
    if (!effect)
    {
        error = "'" + library->path() + "': VSTPluginMain made no effect";
        return nullptr;
    }
    if (effect->magic_number != Vst2::kEffectMagic)
    {
        error = "'" + library->path() + "': VSTPluginMain returned no VST 2 effect";
        return nullptr; // not ours to close: its dispatcher cannot be trusted
    }
    effect->host_internal = plugin.get();
    plugin->aeffect = effect;
    plugin->dispatch(Vst2::effOpen);
    return plugin;
}

std::unique_ptr<Vst2Plugin> Vst2Plugin::open(const std::string& path, std::string& error)
{
    auto library = Vst2Library::load(path, error);
    return library ? create(std::move(library), error) : nullptr;
}

AEffect* Vst2Plugin::callMain(Vst2Library& library, intptr_t hostVersion,
                              std::vector<HostCall>& calls)
{
    if (!library.main())
        return nullptr;
    loading = Loading{nullptr, &calls, hostVersion};
    AEffect* effect = library.main()(hostCallback);
    loading = Loading{};
    return effect;
}

Vst2Plugin::~Vst2Plugin()
{
    if (!aeffect)
        return;
    stop();
    dispatch(Vst2::effClose);
    aeffect = nullptr;
}

intptr_t Vst2Plugin::hostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                  void* ptr, float opt)
{
    auto* plugin = effect && effect->host_internal ? static_cast<Vst2Plugin*>(effect->host_internal)
                                                   : loading.plugin;
    if (plugin)
        return plugin->answer(opcode, index, value, ptr, opt);
    if (loading.calls)
    {
        loading.calls->push_back({opcode, index, value, opt});
        if (opcode == Vst2::audioMasterVersion)
            return loading.hostVersion;
    }
    return 0;
}

intptr_t Vst2Plugin::answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    {
        std::lock_guard<std::mutex> lock(callsMutex);
        calls.push_back({opcode, index, value, opt});
    }
    switch (opcode)
    {
    case Vst2::audioMasterVersion:
        return hostVersion;
    case Vst2::audioMasterGetSampleRate:
        return static_cast<intptr_t>(sampleRate);
    case Vst2::audioMasterGetBlockSize:
        return blockSize;
    case Vst2::audioMasterGetVendorString:
    case Vst2::audioMasterGetProductString:
        if (ptr)
            std::strncpy(static_cast<char*>(ptr), kHostName, 63);
        return ptr ? 1 : 0;
    case Vst2::audioMasterAutomate:
    case Vst2::audioMasterBeginEdit:
    case Vst2::audioMasterEndEdit:
    case Vst2::audioMasterUpdateDisplay:
        return 1;
    default:
        return 0;
    }
}

intptr_t Vst2Plugin::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                              float opt) const
{
    if (!aeffect || !aeffect->control)
        return 0;
    return aeffect->control(aeffect, static_cast<VST_EFFECT_OPCODE>(opcode), index, value, ptr,
                            opt);
}

std::string Vst2Plugin::text(int32_t opcode, int32_t index) const
{
    char buffer[kTextBufferSize] = {};
    dispatch(opcode, index, 0, buffer);
    buffer[kTextBufferSize - 1] = '\0';
    return buffer;
}

std::vector<Vst2Plugin::HostCall> Vst2Plugin::hostCalls() const
{
    std::lock_guard<std::mutex> lock(callsMutex);
    return calls;
}

void Vst2Plugin::clearHostCalls()
{
    std::lock_guard<std::mutex> lock(callsMutex);
    calls.clear();
}

bool Vst2Plugin::start(double rate, int maxBlockSize, int numChannels)
{
    stop();
    if (!std::isfinite(rate) || rate <= 0.0 || maxBlockSize <= 0 || numChannels <= 0 ||
        numChannels > aeffect->num_inputs || numChannels > aeffect->num_outputs)
        return false;

    sampleRate = rate;
    blockSize = maxBlockSize;
    hostChannels = numChannels;
    const int extraOutputs = aeffect->num_outputs - numChannels;
    // Silent inputs first, then room for the outputs nobody reads.
    scratch.assign(static_cast<size_t>(maxBlockSize) * static_cast<size_t>(1 + extraOutputs), 0.f);
    inputPointers.assign(static_cast<size_t>(aeffect->num_inputs), scratch.data());
    outputPointers.assign(static_cast<size_t>(aeffect->num_outputs), nullptr);
    for (int c = numChannels; c < aeffect->num_outputs; ++c)
        outputPointers[static_cast<size_t>(c)] =
            scratch.data() + static_cast<size_t>(1 + c - numChannels) * maxBlockSize;

    dispatch(Vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    dispatch(Vst2::effSetBlockSize, 0, maxBlockSize);
    dispatch(Vst2::effMainsChanged, 0, 1);
    started = true;
    return true;
}

void Vst2Plugin::stop()
{
    if (!started)
        return;
    dispatch(Vst2::effMainsChanged, 0, 0);
    started = false;
}

bool Vst2Plugin::setParameter(std::uint32_t id, double normalized)
{
    if (id >= static_cast<std::uint32_t>(aeffect->num_params) || !std::isfinite(normalized) ||
        normalized < 0.0 || normalized > 1.0)
        return false;
    aeffect->set_parameter(aeffect, id, static_cast<float>(normalized));
    return true;
}

double Vst2Plugin::getParameter(std::uint32_t id) const
{
    if (id >= static_cast<std::uint32_t>(aeffect->num_params))
        return 0.0;
    return aeffect->get_parameter(aeffect, id);
}

std::string Vst2Plugin::getParameterText(std::uint32_t id) const
{
    if (id >= static_cast<std::uint32_t>(aeffect->num_params))
        return {};
    return text(Vst2::effGetParamDisplay, static_cast<int32_t>(id));
}

bool Vst2Plugin::process(const float* const* inputs, float* const* outputs, int numFrames)
{
    if (!started || numFrames < 0 || numFrames > blockSize || !inputs || !outputs)
        return false;
    if (numFrames == 0)
        return true;
    for (int c = 0; c < hostChannels; ++c)
    {
        if (!inputs[c] || !outputs[c])
            return false;
        inputPointers[static_cast<size_t>(c)] = inputs[c];
        outputPointers[static_cast<size_t>(c)] = outputs[c];
    }
    aeffect->process_float(aeffect, inputPointers.data(), outputPointers.data(), numFrames);
    return true;
}

bool Vst2Plugin::saveState(std::vector<std::uint8_t>& blob)
{
    if (!(aeffect->flags & Vst2::effFlagsProgramChunks))
        return false;
    void* data = nullptr;
    const intptr_t size = dispatch(Vst2::effGetChunk, 0, 0, &data);
    if (size <= 0 || !data)
        return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    blob.assign(bytes, bytes + size);
    return true;
}

bool Vst2Plugin::restoreState(const std::vector<std::uint8_t>& blob)
{
    if (!(aeffect->flags & Vst2::effFlagsProgramChunks) || blob.empty())
        return false;
    std::vector<std::uint8_t> copy(blob); // the effect takes a non-const pointer
    return dispatch(Vst2::effSetChunk, 0, static_cast<intptr_t>(copy.size()), copy.data()) != 0;
}

std::string Vst2Plugin::name() const
{
    return text(Vst2::effGetEffectName);
}

std::unique_ptr<HostedPlugin> loadVst2Plugin(const std::string& path, std::string& error)
{
    return Vst2Plugin::open(path, error);
}

} // namespace KestrumHost
