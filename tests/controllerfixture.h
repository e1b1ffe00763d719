// A controller made the way a host makes one: through its create function,
// held as IEditController and initialised with a host context.
#pragma once

#include "controller/kestrumcontroller.h"

#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <gtest/gtest.h>

#include <string>

namespace KestrumTest
{

class ControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        object = Steinberg::owned(Kestrum::KestrumController::createInstance(nullptr));
        controller = Steinberg::FUnknownPtr<Steinberg::Vst::IEditController>(object.get());
        ASSERT_TRUE(controller);
        ASSERT_EQ(controller->initialize(&host), Steinberg::kResultOk);
    }
    void TearDown() override
    {
        if (controller)
            controller->terminate();
    }

    std::u16string text(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value)
    {
        Steinberg::Vst::String128 out{};
        EXPECT_EQ(controller->getParamStringByValue(id, value, out), Steinberg::kResultTrue);
        return out;
    }
    std::u16string currentText(Steinberg::Vst::ParamID id)
    {
        return text(id, controller->getParamNormalized(id));
    }

    // The SDK's host application counts no references: it lives as long as the test.
    Steinberg::Vst::HostApplication host;
    Steinberg::IPtr<Steinberg::FUnknown> object;
    Steinberg::FUnknownPtr<Steinberg::Vst::IEditController> controller;
};

} // namespace KestrumTest
