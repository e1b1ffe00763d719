// The Windows DLL loaded with LoadLibraryW as a Windows host loads it: its
// entry points, the class records with the COM byte layout of the class IDs,
// objects made and connected through the factory, and both file names being
// one DLL.
#include "host/vst2plugin.h"
#include "host/vst3module.h"
#include "host/vst3plugin.h"
#include "module/kestrumcids.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmessage.h"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <windows.h>

using namespace Steinberg;

namespace
{

std::string hex(const char* bytes, size_t count)
{
    std::string text;
    char digits[3];
    for (size_t i = 0; i < count; ++i)
    {
        std::snprintf(digits, sizeof(digits), "%02X", static_cast<unsigned char>(bytes[i]));
        text += digits;
    }
    return text;
}

std::shared_ptr<KestrumHost::Vst3Module> loadBundle()
{
    std::string error;
    auto module = KestrumHost::Vst3Module::load(KESTRUM_VST3_BUNDLE_PATH, error);
    EXPECT_TRUE(module) << error;
    return module;
}

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The module held without InitDll and without a factory reference.
struct LoadedDll
{
    LoadedDll() : handle(LoadLibraryW(L"" KESTRUM_VST3_BINARY_PATH_W)) {}
    ~LoadedDll()
    {
        if (handle)
            FreeLibrary(handle);
    }
    HMODULE handle;
};

} // namespace

TEST(WindowsModule, EntryPointsAndInitDllIsExitDll)
{
    LoadedDll dll;
    ASSERT_TRUE(dll.handle) << GetLastError();
    const FARPROC init = GetProcAddress(dll.handle, "InitDll");
    const FARPROC exit = GetProcAddress(dll.handle, "ExitDll");
    ASSERT_TRUE(init && exit);
    EXPECT_EQ(init, exit);
    EXPECT_TRUE(GetProcAddress(dll.handle, "GetPluginFactory"));
    EXPECT_TRUE(GetProcAddress(dll.handle, "VSTPluginMain"));
    // By ordinal as well, as the module-definition file numbers them.
    EXPECT_EQ(GetProcAddress(dll.handle, MAKEINTRESOURCEA(1)), exit);
    EXPECT_EQ(GetProcAddress(dll.handle, MAKEINTRESOURCEA(2)),
              GetProcAddress(dll.handle, "GetPluginFactory"));
    EXPECT_EQ(GetProcAddress(dll.handle, MAKEINTRESOURCEA(3)), init);
    EXPECT_EQ(GetProcAddress(dll.handle, MAKEINTRESOURCEA(4)),
              GetProcAddress(dll.handle, "VSTPluginMain"));
    // The Linux entries do not exist here.
    EXPECT_FALSE(GetProcAddress(dll.handle, "ModuleEntry"));
    EXPECT_FALSE(GetProcAddress(dll.handle, "ModuleExit"));

    using Hook = bool (*)();
    auto exitDll = reinterpret_cast<Hook>(reinterpret_cast<void*>(exit));
    auto initDll = reinterpret_cast<Hook>(reinterpret_cast<void*>(init));
    EXPECT_TRUE(exitDll()); // ExitDll before any InitDll
    EXPECT_TRUE(initDll());
    EXPECT_TRUE(exitDll());
}

TEST(WindowsModule, BothFileNamesAreOneDll)
{
    const std::string vst3 = fileBytes(KESTRUM_VST3_BINARY_PATH);
    ASSERT_GT(vst3.size(), 100000u);
    EXPECT_EQ(vst3, fileBytes(KESTRUM_VST2_MODULE_PATH));
}

TEST(WindowsModule, ClassRecordsCarryTheComLayoutOfTheClassIds)
{
    auto module = loadBundle();
    ASSERT_TRUE(module);
    PFactoryInfo info;
    ASSERT_EQ(module->factory()->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Tavrek");
    EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);
    const auto classes = module->classes();
    ASSERT_EQ(classes.size(), 2u);

    EXPECT_EQ(hex(classes[0].cid, sizeof(TUID)), "4FDEE8745582524F86FAE4122C935A17");
    EXPECT_STREQ(classes[0].category, "Audio Module Class");
    EXPECT_STREQ(classes[0].name, "Tavrek Kestrum VST3");
    EXPECT_STREQ(classes[0].subCategories, "Fx");
    EXPECT_STREQ(classes[0].version, "1.0.0.1");
    EXPECT_EQ(hex(classes[1].cid, sizeof(TUID)), "645B9DC3AFC7FA41743F4AC731EB03F0");
    EXPECT_STREQ(classes[1].category, "Component Controller Class");
    EXPECT_STREQ(classes[1].name, "Tavrek Kestrum VST3Controller");

    // The text forms are the same as on every platform.
    char8 text[64] = {};
    FUID::fromTUID(classes[0].cid).toRegistryString(text);
    EXPECT_STREQ(text, "{74E8DE4F-8255-4F52-86FA-E4122C935A17}");
    FUID::fromTUID(classes[1].cid).toString(text);
    EXPECT_STREQ(text, "C39D5B64C7AF41FA743F4AC731EB03F0");
}

TEST(WindowsModule, ProcessorAndControllerMadeByTheirClassIds)
{
    auto module = loadBundle();
    ASSERT_TRUE(module);
    IPluginFactory* factory = module->factory();
    TUID processorCid, controllerCid;
    Kestrum::KestrumProcessorUID.toTUID(processorCid);
    Kestrum::KestrumControllerUID.toTUID(controllerCid);

    Vst::IComponent* component = nullptr;
    ASSERT_EQ(factory->createInstance(processorCid, Vst::IComponent::iid,
                                      reinterpret_cast<void**>(&component)),
              kResultOk);
    ASSERT_TRUE(component);
    TUID named;
    ASSERT_EQ(component->getControllerClassId(named), kResultOk);
    EXPECT_EQ(hex(named, sizeof(TUID)), hex(controllerCid, sizeof(TUID)));

    Vst::IEditController* controller = nullptr;
    ASSERT_EQ(factory->createInstance(named, Vst::IEditController::iid,
                                      reinterpret_cast<void**>(&controller)),
              kResultOk);
    ASSERT_TRUE(controller);
    // A processor ID asked for a controller interface gives nothing.
    void* wrong = nullptr;
    EXPECT_NE(factory->createInstance(processorCid, Vst::IEditController::iid, &wrong), kResultOk);
    EXPECT_EQ(wrong, nullptr);

    controller->release();
    component->release();
}

TEST(WindowsModule, Vst2EntryServesTheSameProcessor)
{
    std::string error;
    auto vst2 = KestrumHost::Vst2Plugin::open(KESTRUM_VST2_MODULE_PATH, error);
    ASSERT_TRUE(vst2) << error;
    auto vst3 = KestrumHost::Vst3Plugin::open(KESTRUM_VST3_BUNDLE_PATH, error);
    ASSERT_TRUE(vst3) << error;
    ASSERT_TRUE(vst2->start(44100, 512, 2));
    ASSERT_TRUE(vst3->start(44100, 512, 2));
    std::vector<float> left(512), right(512), out2[2], out3[2];
    for (int i = 0; i < 512; ++i)
    {
        left[static_cast<size_t>(i)] = 0.25f + 0.001f * static_cast<float>(i % 50);
        right[static_cast<size_t>(i)] = -0.5f + 0.002f * static_cast<float>(i % 30);
    }
    for (auto* out : {out2, out3})
        for (int ch = 0; ch < 2; ++ch)
            out[ch].assign(512, 7.0f);
    const float* in[2] = {left.data(), right.data()};
    float* o2[2] = {out2[0].data(), out2[1].data()};
    float* o3[2] = {out3[0].data(), out3[1].data()};
    ASSERT_TRUE(vst2->process(in, o2, 512));
    ASSERT_TRUE(vst3->process(in, o3, 512));
    EXPECT_EQ(out2[0], out3[0]);
    EXPECT_EQ(out2[1], out3[1]);
    EXPECT_NE(out2[0], left); // filtered, not passed through
}
