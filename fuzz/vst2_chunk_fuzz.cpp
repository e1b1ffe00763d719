// A VST 2 host's stored program chunk, handed back to a live effect: a
// refused chunk changes nothing, an accepted one round-trips.
#include "fuzzstream.h"
#include "vst2/vst2abi.h"
#include "vst2/vst2entry.h"

#include <vector>

using namespace KestrumFuzz;

namespace
{

intptr_t hostCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == 1 /* audioMasterVersion */ ? Vst2::kVstVersion : 0;
}

std::vector<std::uint8_t> chunkOf(AEffect* effect)
{
    void* data = nullptr;
    const intptr_t size =
        effect->control(effect, VST_EFFECT_OPCODE(Vst2::effGetChunk), 0, 0, &data, 0.0f);
    FUZZ_CHECK(size > 0 && data);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    AEffect* effect = VSTPluginMain(hostCallback);
    FUZZ_CHECK(effect);
    const auto before = chunkOf(effect);

    std::vector<std::uint8_t> input(data, data + size);
    const intptr_t accepted = effect->control(effect, VST_EFFECT_OPCODE(Vst2::effSetChunk), 0,
                                              static_cast<intptr_t>(size), input.data(), 0.0f);
    const auto after = chunkOf(effect);
    if (!accepted)
        FUZZ_CHECK(after == before);
    else
    {
        AEffect* copy = VSTPluginMain(hostCallback);
        FUZZ_CHECK(copy->control(copy, VST_EFFECT_OPCODE(Vst2::effSetChunk), 0,
                                 static_cast<intptr_t>(after.size()),
                                 const_cast<std::uint8_t*>(after.data()), 0.0f) != 0);
        FUZZ_CHECK(chunkOf(copy) == after);
        copy->control(copy, VST_EFFECT_OPCODE(Vst2::effClose), 0, 0, nullptr, 0.0f);
    }
    effect->control(effect, VST_EFFECT_OPCODE(Vst2::effClose), 0, 0, nullptr, 0.0f);
    return 0;
}
