// Where the VST 2 editor opcodes (effEditGetRect, effEditOpen, effEditClose,
// effEditIdle) meet the plug-in's VST 3 editor view. The adapter plays the
// VST 3 host for the view: it creates it with createView("editor"), is its
// IPlugFrame, runs its run loop from effEditIdle and embeds it in the X11
// window the VST 2 host passes to effEditOpen.
#pragma once

#include "vst2/vst2abi.h"
#include "vst2/vst2plugframe.h"
#include "vst3/pollrunloop.h"

#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <cstdint>

namespace Steinberg
{
namespace Vst
{

class Vst2EditorAdapter
{
public:
    // The controller must outlive the adapter. Whether there is an editor is
    // asked once, here: a view of type "editor" embeddable in X11. `clock`
    // stands in for the steady clock in tests.
    Vst2EditorAdapter(IEditController* controller, audioMasterCallback host, AEffect* effect,
                      PollRunLoop::Clock clock = nullptr);
    // Closes an editor the host left open.
    ~Vst2EditorAdapter();
    Vst2EditorAdapter(const Vst2EditorAdapter&) = delete;
    Vst2EditorAdapter& operator=(const Vst2EditorAdapter&) = delete;

    bool hasEditor() const { return editorAvailable; }
    bool isOpen() const { return open; }
    PollRunLoop& runLoop() const { return *loop; }

    // The answer to one of the four editor opcodes: 1 done, 0 refused.
    intptr_t dispatch(int32 opcode, int32 index, intptr_t value, void* ptr, float opt);

private:
    intptr_t getRect(void* ptr);
    intptr_t openEditor(void* parent);
    intptr_t closeEditor();
    intptr_t idle();
    bool makeView();
    void dropView();

    IEditController* controller;
    IPtr<PollRunLoop> loop;
    IPtr<Vst2PlugFrame> plugFrame;
    IPtr<IPlugView> view;
    bool editorAvailable = false;
    bool open = false;
    // Handed to the host by effEditGetRect: valid until the next call.
    vst_rect rect{};
};

} // namespace Vst
} // namespace Steinberg
