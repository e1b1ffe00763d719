// One VST 2 effect hosted from a loaded module: made through VSTPluginMain
// with this host's callback, driven through the dispatcher, processReplacing
// and the parameter calls. The callback answers what a host must (its VST
// version, sample rate, block size) and records every call the effect makes,
// so tests can check the automation the effect reports.
//
// VST 2 knows parameters by index; this host takes a parameter's index as
// its ID.
#pragma once

#include "host/hostedplugin.h"
#include "host/vst2library.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace KestrumHost
{

class Vst2Plugin : public HostedPlugin
{
public:
    struct HostCall
    {
        int32_t opcode;
        int32_t index;
        intptr_t value;
        float opt;
    };

    // Makes an effect of the library. `hostVersion` is the answer to the
    // effect's audioMasterVersion query (0: a host that cannot load VST 2).
    // Null with a reason on failure.
    static std::unique_ptr<Vst2Plugin> create(std::shared_ptr<Vst2Library> library,
                                              std::string& error, intptr_t hostVersion = 2400);
    static std::unique_ptr<Vst2Plugin> open(const std::string& path, std::string& error);

    // Suspends and closes the effect.
    ~Vst2Plugin() override;
    Vst2Plugin(const Vst2Plugin&) = delete;
    Vst2Plugin& operator=(const Vst2Plugin&) = delete;

    // HostedPlugin. Up to the effect's own channel count; missing inputs are
    // silent, surplus outputs dropped.
    bool start(double sampleRate, int maxBlockSize, int numChannels) override;
    void stop() override;
    bool setParameter(std::uint32_t id, double normalized) override;
    double getParameter(std::uint32_t id) const override;
    std::string getParameterText(std::uint32_t id) const override;
    bool process(const float* const* inputs, float* const* outputs, int numFrames) override;
    // The effect's program chunk.
    bool saveState(std::vector<std::uint8_t>& blob) override;
    bool restoreState(const std::vector<std::uint8_t>& blob) override;
    std::string name() const override;

    // Direct access for tests.
    AEffect* effect() const { return aeffect; }
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0.f) const;
    // A text opcode's answer, read from a buffer far larger than the effect
    // may use (see textLength).
    std::string text(int32_t opcode, int32_t index = 0) const;
    std::vector<HostCall> hostCalls() const;
    void clearHostCalls();
    bool isStarted() const { return started; }

    // The library's VSTPluginMain with a callback that records into `calls`
    // and answers audioMasterVersion with `hostVersion`. For tests of the
    // entry itself.
    static AEffect* callMain(Vst2Library& library, intptr_t hostVersion,
                             std::vector<HostCall>& calls);

private:
    explicit Vst2Plugin(std::shared_ptr<Vst2Library> library, intptr_t hostVersion);
    static intptr_t hostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                 void* ptr, float opt);
    intptr_t answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

    // Declared first so that it goes last: the effect's code lives in it.
    std::shared_ptr<Vst2Library> library;
    AEffect* aeffect = nullptr;
    intptr_t hostVersion;

    mutable std::mutex callsMutex;
    std::vector<HostCall> calls;

    bool started = false;
    double sampleRate = 44100.0;
    int blockSize = 1024;
    int hostChannels = 0;
    std::vector<float> scratch;
    std::vector<const float*> inputPointers;
    std::vector<float*> outputPointers;
};

// For the command-line tool: the VST 2 module at path as a HostedPlugin.
std::unique_ptr<HostedPlugin> loadVst2Plugin(const std::string& path, std::string& error);

} // namespace KestrumHost
