// Test doubles for the toolkit: a listener that writes down every call as
// text, and an editor interface with a settable knob mode and no run loop.
#pragma once

#include "gui/ccontrol.h"
#include "gui/vstguieditorinterface.h"

#include <string>
#include <vector>

namespace KestrumTest
{

class RecordingListener : public VSTGUI::IControlListener
{
public:
    void valueChanged(VSTGUI::CControl* control) override
    {
        calls.push_back("value " + std::to_string(control->getValue()));
    }
    void controlBeginEdit(VSTGUI::CControl*) override { calls.push_back("begin"); }
    void controlEndEdit(VSTGUI::CControl*) override { calls.push_back("end"); }

    std::vector<std::string> calls;
};

class StubEditor : public VSTGUI::VSTGUIEditorInterface
{
public:
    std::int32_t getKnobMode() const override { return knobMode; }
    Steinberg::Linux::IRunLoop* getRunLoop() const override { return nullptr; }
    std::int32_t knobMode = VSTGUI::kCircularMode;
};

} // namespace KestrumTest
