// Where the VST 2 editor opcodes (effEditGetRect, effEditOpen, effEditClose,
// effEditIdle) meet the plug-in's VST 3 editor view. The adapter plays the
// VST 3 host for the view: it creates it with createView("editor"), is its
// IPlugFrame, runs its run loop from effEditIdle and embeds it in the window
// the VST 2 host passes to effEditOpen (an X11 window, an HWND). A host's
// scale comes by effVendorSpecific ('PreS', 'AeCs', the factor in opt, the
// convention of Windows hosts) and goes to the view's content scale.
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
    // asked once, here: a view of type "editor" embeddable in the platform's
    // window. `clock`
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

    // The answer to one of the four editor opcodes or effVendorSpecific:
    // 1 done, 0 refused (or not ours).
    intptr_t dispatch(int32 opcode, int32 index, intptr_t value, void* ptr, float opt);
    // The scale the host gave; 0 while it gave none.
    float hostScale() const { return scale; }

private:
    intptr_t getRect(void* ptr);
    intptr_t openEditor(void* parent);
    intptr_t closeEditor();
    intptr_t idle();
    intptr_t vendorSpecific(int32 index, intptr_t value, float opt);
    bool makeView();
    void dropView();

    IEditController* controller;
    IPtr<PollRunLoop> loop;
    IPtr<Vst2PlugFrame> plugFrame;
    IPtr<IPlugView> view;
    bool editorAvailable = false;
    bool open = false;
    float scale = 0;
    // Handed to the host by effEditGetRect: valid until the next call.
    vst_rect rect{};
};

} // namespace Vst
} // namespace Steinberg
