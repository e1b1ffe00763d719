// The built module loaded with dlopen exactly as a host loads it: its
// exports, the factory information, both class records in every form, the
// class IDs, creating objects and the life of the factory.
#include "host/vst3module.h"
#include "module/kestrumcids.h"
#include "support/childprocess.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <atomic>
#include <cstring>
#include <dlfcn.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <sstream>
#include <thread>

using namespace Steinberg;

namespace
{

// The module opened with no reference to its factory held, so that tests can
// watch the factory come and go.
class RawModule
{
public:
    RawModule() : handle(dlopen(KESTRUM_VST3_BINARY_PATH, RTLD_NOW | RTLD_LOCAL)) {}
    ~RawModule()
    {
        if (handle)
            dlclose(handle);
    }
    template <typename F> F get(const char* name) const
    {
        return reinterpret_cast<F>(dlsym(handle, name));
    }
    void* handle;
};

std::set<std::string> definedDynamicSymbols(const std::string& path)
{
    const auto run = KestrumTest::runProcess({"/usr/bin/nm", "-D", "--defined-only", path});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::set<std::string> names;
    std::istringstream lines(run.out);
    std::string address, type, name;
    while (lines >> address >> type >> name)
        names.insert(name);
    return names;
}

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

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

struct ExpectedClass
{
    const char* uidBytes; // this platform's byte order, as hex
    const char* uidString;
    const char* guidString;
    const char* category;
    const char* name;
    uint32 classFlags;
    const char* subCategories;
};

// Linux keeps each 32-bit word of a UID big-endian (the SDK's non-COM
// layout), so bytes and string form agree.
const ExpectedClass kExpected[] = {
    {"74E8DE4F82554F5286FAE4122C935A17", "74E8DE4F82554F5286FAE4122C935A17",
     "{74E8DE4F-8255-4F52-86FA-E4122C935A17}", "Audio Module Class", "Tavrek Kestrum VST3",
     Vst::kDistributable, "Fx"},
    {"C39D5B64C7AF41FA743F4AC731EB03F0", "C39D5B64C7AF41FA743F4AC731EB03F0",
     "{C39D5B64-C7AF-41FA-743F-4AC731EB03F0}", "Component Controller Class",
     "Tavrek Kestrum VST3Controller", 0, ""},
};

std::shared_ptr<KestrumHost::Vst3Module> loadBundle()
{
    std::string error;
    auto module = KestrumHost::Vst3Module::load(KESTRUM_VST3_BUNDLE_PATH, error);
    EXPECT_TRUE(module) << error;
    return module;
}

} // namespace

TEST(Module, ExportsExactlyTheEntryPointsAndBothNamesAreOneBinary)
{
    const std::set<std::string> expected = {"ExitDll",     "GetPluginFactory", "InitDll",
                                            "ModuleEntry", "ModuleExit",       "VSTPluginMain"};
    EXPECT_EQ(definedDynamicSymbols(KESTRUM_VST3_BINARY_PATH), expected);
    EXPECT_EQ(definedDynamicSymbols(KESTRUM_VST2_MODULE_PATH), expected);
    const std::string vst3 = fileBytes(KESTRUM_VST3_BINARY_PATH);
    EXPECT_FALSE(vst3.empty());
    EXPECT_TRUE(vst3 == fileBytes(KESTRUM_VST2_MODULE_PATH));
}

TEST(Module, BundlePathLeadsToTheBinaryNamedAfterTheBundle)
{
    EXPECT_EQ(KestrumHost::Vst3Module::binaryPath(KESTRUM_VST3_BUNDLE_PATH),
              KESTRUM_VST3_BINARY_PATH);
    EXPECT_EQ(KestrumHost::Vst3Module::binaryPath(std::string(KESTRUM_VST3_BUNDLE_PATH) + "/"),
              KESTRUM_VST3_BINARY_PATH);
    EXPECT_EQ(KestrumHost::Vst3Module::binaryPath(KESTRUM_VST3_BINARY_PATH),
              KESTRUM_VST3_BINARY_PATH);
}

TEST(Module, FactoryInformation)
{
    auto module = loadBundle();
    ASSERT_TRUE(module);
    PFactoryInfo info;
    ASSERT_EQ(module->factory()->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Tavrek");
    EXPECT_EQ(std::string(info.url).rfind("https://", 0), 0u) << info.url;
    EXPECT_EQ(std::string(info.email).rfind("mailto:", 0), 0u) << info.email;
    EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);
    EXPECT_EQ(module->factory()->countClasses(), 2);
}

TEST(Module, ClassRecordsInAllThreeForms)
{
    auto module = loadBundle();
    ASSERT_TRUE(module);
    IPluginFactory* factory = module->factory();
    FUnknownPtr<IPluginFactory2> factory2(factory);
    FUnknownPtr<IPluginFactory3> factory3(factory);
    ASSERT_TRUE(factory2 && factory3);

    for (int32 i = 0; i < 2; ++i)
    {
        const ExpectedClass& want = kExpected[i];
        SCOPED_TRACE(want.name);

        PClassInfo basic;
        ASSERT_EQ(factory->getClassInfo(i, &basic), kResultOk);
        EXPECT_EQ(hex(basic.cid, sizeof(TUID)), want.uidBytes);
        EXPECT_EQ(basic.cardinality, PClassInfo::kManyInstances);
        EXPECT_STREQ(basic.category, want.category);
        EXPECT_STREQ(basic.name, want.name);

        PClassInfo2 two;
        ASSERT_EQ(factory2->getClassInfo2(i, &two), kResultOk);
        EXPECT_EQ(hex(two.cid, sizeof(TUID)), want.uidBytes);
        EXPECT_EQ(two.cardinality, PClassInfo::kManyInstances);
        EXPECT_STREQ(two.category, want.category);
        EXPECT_STREQ(two.name, want.name);
        EXPECT_EQ(two.classFlags, want.classFlags);
        EXPECT_STREQ(two.subCategories, want.subCategories);
        EXPECT_STREQ(two.vendor, "");
        EXPECT_STREQ(two.version, "1.0.0.1");
        EXPECT_STREQ(two.sdkVersion, kVstVersionString);

        PClassInfoW wide;
        ASSERT_EQ(factory3->getClassInfoUnicode(i, &wide), kResultOk);
        EXPECT_EQ(hex(wide.cid, sizeof(TUID)), want.uidBytes);
        EXPECT_EQ(wide.cardinality, PClassInfo::kManyInstances);
        EXPECT_STREQ(wide.category, want.category);
        EXPECT_EQ(std::u16string(wide.name),
                  std::u16string(want.name, want.name + strlen(want.name)));
        EXPECT_EQ(wide.classFlags, want.classFlags);
        EXPECT_STREQ(wide.subCategories, want.subCategories);
        EXPECT_EQ(std::u16string(wide.vendor), u"");
        EXPECT_EQ(std::u16string(wide.version), u"1.0.0.1");
        const std::string sdk = kVstVersionString;
        EXPECT_EQ(std::u16string(wide.sdkVersion), std::u16string(sdk.begin(), sdk.end()));
    }
}

TEST(Module, ClassIdsMatchTheSharedDeclarationInEveryTextForm)
{
    const FUID* uids[] = {&Kestrum::KestrumProcessorUID, &Kestrum::KestrumControllerUID};
    auto module = loadBundle();
    ASSERT_TRUE(module);
    const auto classes = module->classes();
    ASSERT_EQ(classes.size(), 2u);
    for (size_t i = 0; i < 2; ++i)
    {
        SCOPED_TRACE(kExpected[i].name);
        const FUID fromModule = FUID::fromTUID(classes[i].cid);
        EXPECT_TRUE(fromModule == *uids[i]);
        char8 text[64] = {};
        fromModule.toString(text);
        EXPECT_STREQ(text, kExpected[i].uidString);
        fromModule.toRegistryString(text);
        EXPECT_STREQ(text, kExpected[i].guidString);
    }
}

TEST(Module, CreateInstanceCases)
{
    auto module = loadBundle();
    ASSERT_TRUE(module);
    IPluginFactory* factory = module->factory();
    TUID processor, controller;
    Kestrum::KestrumProcessorUID.toTUID(processor);
    Kestrum::KestrumControllerUID.toTUID(controller);
    const TUID unknown = INLINE_UID(0x01234567, 0x89ABCDEF, 0x01234567, 0x89ABCDEF);

    struct Case
    {
        const char* what;
        const char* cid;
        FIDString iid;
        bool made;
    };
    const Case cases[] = {
        {"processor as IComponent", processor, Vst::IComponent::iid, true},
        {"processor as IAudioProcessor", processor, Vst::IAudioProcessor::iid, true},
        {"controller as IEditController", controller, Vst::IEditController::iid, true},
        {"processor lacks IEditController", processor, Vst::IEditController::iid, false},
        {"controller lacks IAudioProcessor", controller, Vst::IAudioProcessor::iid, false},
        {"unknown class", unknown, Vst::IComponent::iid, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        void* obj = reinterpret_cast<void*>(0x1);
        const tresult result = factory->createInstance(c.cid, c.iid, &obj);
        if (c.made)
        {
            ASSERT_EQ(result, kResultOk);
            ASSERT_NE(obj, nullptr);
            // The host holds the only reference.
            EXPECT_EQ(static_cast<FUnknown*>(obj)->release(), 0u);
        }
        else
        {
            EXPECT_EQ(result, kNoInterface);
            EXPECT_EQ(obj, nullptr);
        }
    }
}

TEST(Module, FactoryIsSharedWhileHeldAndRemadeIdenticalAfterLastRelease)
{
    RawModule raw;
    ASSERT_TRUE(raw.handle) << dlerror();
    auto getFactory = raw.get<GetFactoryProc>("GetPluginFactory");
    ASSERT_TRUE(getFactory);

    IPluginFactory* first = getFactory();
    ASSERT_TRUE(first);
    IPluginFactory* second = getFactory();
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->addRef(), 3u); // two gets and this addRef
    first->release();
    std::vector<PClassInfo> before(2);
    for (int32 i = 0; i < 2; ++i)
        ASSERT_EQ(first->getClassInfo(i, &before[static_cast<size_t>(i)]), kResultOk);
    second->release();
    EXPECT_EQ(first->release(), 0u);

    IPluginFactory* remade = getFactory();
    ASSERT_TRUE(remade);
    EXPECT_EQ(remade->addRef(), 2u); // a new factory starts at one reference
    remade->release();
    ASSERT_EQ(remade->countClasses(), 2);
    for (int32 i = 0; i < 2; ++i)
    {
        PClassInfo after;
        ASSERT_EQ(remade->getClassInfo(i, &after), kResultOk);
        EXPECT_EQ(0, memcmp(&after, &before[static_cast<size_t>(i)], sizeof(PClassInfo)));
    }
    EXPECT_EQ(remade->release(), 0u);
}

TEST(Module, ConcurrentGetPluginFactoryAlwaysYieldsALiveFactory)
{
    RawModule raw;
    ASSERT_TRUE(raw.handle) << dlerror();
    auto getFactory = raw.get<GetFactoryProc>("GetPluginFactory");
    ASSERT_TRUE(getFactory);
    // Hosts that scan on several threads get and drop the factory at once,
    // so the last release of one thread meets the next get of another.
    std::atomic<int> bad{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
    {
        threads.emplace_back(
            [&]
            {
                for (int i = 0; i < 1000; ++i)
                {
                    IPluginFactory* factory = getFactory();
                    PClassInfo info;
                    if (!factory || factory->countClasses() != 2 ||
                        factory->getClassInfo(1, &info) != kResultOk ||
                        strcmp(info.name, "Tavrek Kestrum VST3Controller") != 0)
                        ++bad;
                    if (factory)
                        factory->release();
                }
            });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(bad.load(), 0);
}

TEST(Module, EntryAndExitHooks)
{
    RawModule raw;
    ASSERT_TRUE(raw.handle) << dlerror();
    auto initDll = raw.get<bool (*)()>("InitDll");
    auto exitDll = raw.get<bool (*)()>("ExitDll");
    auto moduleEntry = raw.get<bool (*)(void*)>("ModuleEntry");
    auto moduleExit = raw.get<bool (*)()>("ModuleExit");
    ASSERT_TRUE(initDll && exitDll && moduleEntry && moduleExit);

    EXPECT_TRUE(exitDll()); // also without InitDll first
    EXPECT_TRUE(initDll());
    EXPECT_TRUE(exitDll());

    // Nested entries need as many exits; an unmatched exit is refused.
    EXPECT_TRUE(moduleEntry(raw.handle));
    EXPECT_TRUE(moduleEntry(raw.handle));
    EXPECT_TRUE(moduleExit());
    EXPECT_TRUE(moduleExit());
    EXPECT_FALSE(moduleExit());
}

TEST(Module, LoadingSomethingElseFailsWithAReason)
{
    std::string error;
    EXPECT_FALSE(KestrumHost::Vst3Module::load("/nonexistent/Nothing.vst3", error));
    EXPECT_NE(error.find("Nothing.so"), std::string::npos) << error;
    error.clear();
    // A shared library without VST 3 exports.
    EXPECT_FALSE(KestrumHost::Vst3Module::load("libm.so.6", error));
    EXPECT_NE(error.find("GetPluginFactory"), std::string::npos) << error;
}
