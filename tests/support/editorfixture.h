// An editor view over the real controller, which is subclassed to write down
// the calls the view makes on it and to push values back to the view the
// way the controller's editor registry does.
#pragma once

#include "controller/kestrumcontroller.h"
#include "editor/kestrumeditorview.h"
#include "module/kestrumparamids.h"

#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace KestrumTest
{

class RecordingController : public Kestrum::KestrumController
{
public:
    Steinberg::tresult PLUGIN_API setParamNormalized(Steinberg::Vst::ParamID id,
                                                     Steinberg::Vst::ParamValue value) override
    {
        record("set", id, value);
        const Steinberg::tresult result = KestrumController::setParamNormalized(id, value);
        if (pushTo)
            pushTo->update(id, value);
        return result;
    }
    Steinberg::tresult beginEdit(Steinberg::Vst::ParamID id) override
    {
        calls.push_back("begin " + std::to_string(id));
        return KestrumController::beginEdit(id);
    }
    Steinberg::tresult performEdit(Steinberg::Vst::ParamID id,
                                   Steinberg::Vst::ParamValue value) override
    {
        record("perform", id, value);
        return KestrumController::performEdit(id, value);
    }
    Steinberg::tresult endEdit(Steinberg::Vst::ParamID id) override
    {
        calls.push_back("end " + std::to_string(id));
        return KestrumController::endEdit(id);
    }

    std::vector<std::string> calls;
    Kestrum::KestrumEditorView* pushTo = nullptr;

private:
    void record(const char* what, Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value)
    {
        std::ostringstream s;
        s << what << ' ' << id << ' ' << value;
        calls.push_back(s.str());
    }
};

class EditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(controller->initialize(&host), Steinberg::kResultOk);
        view = Steinberg::owned(new Kestrum::KestrumEditorView(controller.get()));
    }
    void TearDown() override
    {
        controller->pushTo = nullptr;
        if (view)
            view->close();
        view = nullptr;
        controller->terminate();
    }

    // The SDK's host application does not count references: it lives here.
    Steinberg::Vst::HostApplication host;
    Steinberg::IPtr<RecordingController> controller = Steinberg::owned(new RecordingController);
    Steinberg::IPtr<Kestrum::KestrumEditorView> view;
};

} // namespace KestrumTest
