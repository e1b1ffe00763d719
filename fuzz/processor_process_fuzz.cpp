// Bus layouts, sample rates, parameter queues and audio as a host may send
// them: nothing may crash, and finite audio must come out finite.
#include "fuzzstream.h"
#include "processor/kestrum.h"
#include "vst3/parameterchanges.h"

#include "pluginterfaces/vst/vstspeaker.h"

#include <cmath>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace KestrumFuzz;

namespace
{

SpeakerArrangement arrangementWith(std::uint8_t channels)
{
    const unsigned n = channels % 9;
    return n == 0 ? 0 : (SpeakerArrangement(1) << n) - 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ByteReader reader(data, size);
    auto processor = owned(new Kestrum::Kestrum);
    processor->initialize(nullptr);

    const auto numIns = static_cast<int32>(reader.take<std::uint8_t>() % 3);
    SpeakerArrangement ins[2] = {arrangementWith(reader.take<std::uint8_t>()),
                                 arrangementWith(reader.take<std::uint8_t>())};
    SpeakerArrangement outs[1] = {arrangementWith(reader.take<std::uint8_t>())};
    processor->setBusArrangements(ins, numIns, outs, 1);

    ProcessSetup setup{kRealtime, kSample32, 512, reader.take<double>()};
    if (processor->setupProcessing(setup) != kResultOk)
    {
        setup.sampleRate = 44100.0;
        processor->setupProcessing(setup);
    }
    processor->setActive(true);

    SpeakerArrangement inArr = 0, outArr = 0;
    processor->getBusArrangement(kInput, 0, inArr);
    processor->getBusArrangement(kOutput, 0, outArr);
    const int32 numIn = SpeakerArr::getChannelCount(inArr);
    const int32 numOut = SpeakerArr::getChannelCount(outArr);
    std::vector<std::vector<float>> in(static_cast<size_t>(numIn), std::vector<float>(512));
    std::vector<std::vector<float>> out(static_cast<size_t>(numOut), std::vector<float>(512));
    std::vector<float*> inPtrs, outPtrs;
    for (auto& c : in)
        inPtrs.push_back(c.data());
    for (auto& c : out)
        outPtrs.push_back(c.data());

    ParameterChanges changes;
    bool finiteInput = true; // since activation: large inputs may leave large registers
    while (reader.remaining() > 0)
    {
        changes.clear();
        const int numChanges = reader.take<std::uint8_t>() % 4;
        for (int i = 0; i < numChanges; ++i)
        {
            const ParamID id = reader.take<std::uint8_t>() % 3;
            changes.add(id, reader.take<double>(), 0);
        }
        const int32 numSamples = static_cast<int32>(reader.take<std::int16_t>() % 513);
        for (auto& channel : in)
            for (int32 i = 0; i < std::max<int32>(numSamples, 0); ++i)
            {
                const float x = reader.take<float>();
                channel[static_cast<size_t>(i)] = x;
                finiteInput = finiteInput && std::fabs(x) < 1e6f;
            }

        AudioBusBuffers inBus{}, outBus{};
        inBus.numChannels = numIn;
        inBus.channelBuffers32 = inPtrs.data();
        outBus.numChannels = numOut;
        outBus.channelBuffers32 = outPtrs.data();
        ProcessData process{};
        process.symbolicSampleSize = kSample32;
        process.numSamples = numSamples;
        process.numInputs = process.numOutputs = 1;
        process.inputs = &inBus;
        process.outputs = &outBus;
        process.inputParameterChanges = &changes;
        FUZZ_CHECK(processor->process(process) == kResultOk);

        if (finiteInput)
            for (auto& channel : out)
                for (int32 i = 0; i < numSamples; ++i)
                    FUZZ_CHECK(std::isfinite(channel[static_cast<size_t>(i)]));
    }
    processor->setActive(false);
    processor->terminate();
    return 0;
}
