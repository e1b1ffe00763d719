// A host's side of a Linux editor: an IPlugFrame that hands out its run loop
// and runs it in the test's own thread.
#pragma once

#include "vst3/pollrunloop.h"

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"

namespace KestrumTest
{

class TestPlugFrame : public Steinberg::IPlugFrame
{
public:
    // Runs handlers and timers for about `milliseconds`.
    void pump(int milliseconds) { loop->run(milliseconds); }
    Steinberg::Vst::PollRunLoop& runLoop() const { return *loop; }
    int resizeCalls = 0;
    // What the view last asked for.
    Steinberg::ViewRect lastSize;

    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView*, Steinberg::ViewRect*) override;

    // Lives on the test's stack; the run loop it hands out is counted.
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    Steinberg::IPtr<Steinberg::Vst::PollRunLoop> loop =
        Steinberg::owned(new Steinberg::Vst::PollRunLoop);
};

} // namespace KestrumTest
