// One VST 3 effect hosted from a loaded module: processor and controller
// created through the factory, initialised with a host context, connected,
// the controller told the processor's state, and driven block by block.
#pragma once

#include "host/componenthandler.h"
#include "host/hostedplugin.h"
#include "host/vst3module.h"

#include "vst3/parameterchanges.h"

#include "public.sdk/source/vst/hosting/hostclasses.h"

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace KestrumHost
{

class Vst3Plugin : public HostedPlugin
{
public:
    // Creates the module's first audio effect class (or the class with the
    // given ID). Null with a reason on failure.
    static std::unique_ptr<Vst3Plugin> create(std::shared_ptr<Vst3Module> module,
                                              std::string& error,
                                              const Steinberg::TUID processorClassId = nullptr);
    // Loads the module at path and creates its effect.
    static std::unique_ptr<Vst3Plugin> open(const std::string& path, std::string& error);

    ~Vst3Plugin() override;
    Vst3Plugin(const Vst3Plugin&) = delete;
    Vst3Plugin& operator=(const Vst3Plugin&) = delete;

    // HostedPlugin. setParameter, process and the state calls belong to one
    // thread, as in a batch host.
    bool start(double sampleRate, int maxBlockSize, int numChannels) override;
    void stop() override;
    bool setParameter(std::uint32_t id, double normalized) override;
    double getParameter(std::uint32_t id) const override;
    std::string getParameterText(std::uint32_t id) const override;
    bool process(const float* const* inputs, float* const* outputs, int numFrames) override;
    bool saveState(std::vector<std::uint8_t>& blob) override;
    bool restoreState(const std::vector<std::uint8_t>& blob) override;
    std::string name() const override { return className; }

    // Each state stream on its own, as a host stores them in a project.
    bool getProcessorState(std::vector<std::uint8_t>& bytes);
    bool getControllerState(std::vector<std::uint8_t>& bytes);

    bool isStarted() const { return started; }
    bool hasParameter(Steinberg::Vst::ParamID id) const { return parameterIds.count(id) != 0; }

    // Direct access for tests that drive the interfaces themselves.
    Steinberg::Vst::IComponent* component() const { return componentPtr; }
    Steinberg::Vst::IAudioProcessor* processor() const { return processorPtr; }
    Steinberg::Vst::IEditController* controller() const { return controllerPtr; }
    ComponentHandler& handler() const { return *handlerPtr; }
    Vst3Module& module() const { return *modulePtr; }
    // What the processor reported in its last block.
    Steinberg::Vst::ParameterChanges& outputChanges() { return outputParameterChanges; }

private:
    explicit Vst3Plugin(std::shared_ptr<Vst3Module> module);
    bool initialise(const Steinberg::TUID processorClassId, std::string& error);
    bool applyStates(const std::vector<std::uint8_t>& processorState,
                     const std::vector<std::uint8_t>& controllerState);
    void disconnect();

    // Declared first so that it goes last: the module's code must outlive
    // every object it made.
    std::shared_ptr<Vst3Module> modulePtr;
    // The SDK's host application does not count references: it is owned here.
    Steinberg::Vst::HostApplication hostContext;
    Steinberg::IPtr<ComponentHandler> handlerPtr;
    Steinberg::IPtr<Steinberg::Vst::IComponent> componentPtr;
    Steinberg::IPtr<Steinberg::Vst::IAudioProcessor> processorPtr;
    Steinberg::IPtr<Steinberg::Vst::IEditController> controllerPtr;
    Steinberg::IPtr<Steinberg::Vst::IConnectionPoint> componentConnection;
    Steinberg::IPtr<Steinberg::Vst::IConnectionPoint> controllerConnection;
    bool controllerIsComponent = false;
    bool controllerInitialised = false;
    bool connected = false;

    std::string className;
    std::set<Steinberg::Vst::ParamID> parameterIds;

    bool started = false;
    int hostChannels = 0;
    int pluginChannels = 0;
    int maxFrames = 0;
    Steinberg::Vst::ProcessContext processContext{};
    Steinberg::Vst::ParameterChanges inputParameterChanges;
    Steinberg::Vst::ParameterChanges outputParameterChanges;
    std::vector<float> scratch;
    std::vector<float*> inputPointers;
    std::vector<float*> outputPointers;
};

} // namespace KestrumHost
