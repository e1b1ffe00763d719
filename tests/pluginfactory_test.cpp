// The factory class on its own, with stand-in classes: registration rules,
// the three forms of class information, creation by class ID and the
// module-wide single factory.
#include "vst3/pluginfactory.h"

#include "pluginterfaces/base/ipluginbase.h"

#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace Steinberg;

namespace
{

// A counted object that answers IPluginBase only, and counts how many of it
// are alive so that a leaked or double-freed instance shows.
std::atomic<int> liveObjects{0};

class StandIn : public IPluginBase
{
public:
    StandIn() { ++liveObjects; }
    virtual ~StandIn() { --liveObjects; }
    tresult PLUGIN_API initialize(FUnknown*) override { return kResultOk; }
    tresult PLUGIN_API terminate() override { return kResultOk; }
    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override
    {
        QUERY_INTERFACE(iid, obj, FUnknown::iid, IPluginBase)
        QUERY_INTERFACE(iid, obj, IPluginBase::iid, IPluginBase)
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return ++refs; }
    uint32 PLUGIN_API release() override
    {
        const uint32 left = --refs;
        if (left == 0)
            delete this;
        return left;
    }

private:
    std::atomic<uint32> refs{1};
};

FUnknown* createStandIn(void*)
{
    return static_cast<IPluginBase*>(new StandIn);
}
FUnknown* createNothing(void*)
{
    return nullptr;
}
FUnknown* createThrowing(void*)
{
    throw std::runtime_error("no memory");
}
void* lastContext = nullptr;
FUnknown* createRecordingContext(void* context)
{
    lastContext = context;
    return createStandIn(context);
}

const TUID kClassA = INLINE_UID(0x11111111, 0x22222222, 0x33333333, 0x44444444);
const TUID kClassB = INLINE_UID(0x55555555, 0x66666666, 0x77777777, 0x88888888);
const TUID kUnknown = INLINE_UID(0x01020304, 0x05060708, 0x090A0B0C, 0x0D0E0F10);

PClassInfo2 record(const TUID cid, const char* name)
{
    return PClassInfo2(cid, PClassInfo::kManyInstances, "Audio Module Class", name, 1, "Fx",
                       "Maker", "2.3.4.5", "VST 3.7.2");
}

const PFactoryInfo kInfo("Maker", "https://maker.example", "mailto:a@maker.example",
                         PFactoryInfo::kUnicode);

struct FactoryRelease
{
    void operator()(CPluginFactory* f) const { f->release(); }
};
using FactoryPtr = std::unique_ptr<CPluginFactory, FactoryRelease>;

FactoryPtr makeFactory()
{
    return FactoryPtr(new CPluginFactory(kInfo));
}

} // namespace

TEST(PluginFactory, RegistrationRefusesMissingPartsAndDuplicates)
{
    auto factory = makeFactory();
    const PClassInfo2 a = record(kClassA, "A");
    EXPECT_FALSE(factory->registerClass(nullptr, createStandIn));
    EXPECT_FALSE(factory->registerClass(&a, nullptr));
    EXPECT_TRUE(factory->registerClass(&a, createStandIn));
    EXPECT_FALSE(factory->registerClass(&a, createStandIn)); // same class ID again
    EXPECT_EQ(factory->countClasses(), 1);
    EXPECT_TRUE(factory->isClassRegistered(FUID::fromTUID(kClassA)));
    EXPECT_FALSE(factory->isClassRegistered(FUID::fromTUID(kClassB)));
    factory->removeAllClasses();
    EXPECT_EQ(factory->countClasses(), 0);
}

TEST(PluginFactory, ClassInformationInAllThreeFormsKeepsOrderAndFields)
{
    auto factory = makeFactory();
    const PClassInfo2 a = record(kClassA, "First");
    const PClassInfo2 b = record(kClassB, "Second");
    ASSERT_TRUE(factory->registerClass(&a, createStandIn));
    ASSERT_TRUE(factory->registerClass(&b, createStandIn));

    PFactoryInfo info;
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Maker");
    EXPECT_STREQ(info.url, "https://maker.example");
    EXPECT_STREQ(info.email, "mailto:a@maker.example");
    EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);

    const TUID* ids[] = {&kClassA, &kClassB};
    const char* names[] = {"First", "Second"};
    const char16 names16[2][7] = {u"First", u"Second"};
    for (int32 i = 0; i < 2; ++i)
    {
        SCOPED_TRACE(i);
        PClassInfo basic;
        ASSERT_EQ(factory->getClassInfo(i, &basic), kResultOk);
        EXPECT_EQ(0, memcmp(basic.cid, *ids[i], sizeof(TUID)));
        EXPECT_STREQ(basic.name, names[i]);
        EXPECT_STREQ(basic.category, "Audio Module Class");
        EXPECT_EQ(basic.cardinality, PClassInfo::kManyInstances);

        PClassInfo2 two;
        ASSERT_EQ(factory->getClassInfo2(i, &two), kResultOk);
        EXPECT_EQ(0, memcmp(two.cid, *ids[i], sizeof(TUID)));
        EXPECT_STREQ(two.name, names[i]);
        EXPECT_EQ(two.classFlags, 1u);
        EXPECT_STREQ(two.subCategories, "Fx");
        EXPECT_STREQ(two.vendor, "Maker");
        EXPECT_STREQ(two.version, "2.3.4.5");
        EXPECT_STREQ(two.sdkVersion, "VST 3.7.2");

        PClassInfoW wide;
        ASSERT_EQ(factory->getClassInfoUnicode(i, &wide), kResultOk);
        EXPECT_EQ(0, memcmp(wide.cid, *ids[i], sizeof(TUID)));
        EXPECT_EQ(std::u16string(wide.name), std::u16string(names16[i]));
        EXPECT_EQ(std::u16string(wide.version), u"2.3.4.5");
        EXPECT_EQ(std::u16string(wide.sdkVersion), u"VST 3.7.2");
        EXPECT_EQ(std::u16string(wide.vendor), u"Maker");
        EXPECT_STREQ(wide.subCategories, "Fx");
        EXPECT_EQ(wide.classFlags, 1u);
    }

    // Out of range and null arguments are refused, not read past.
    PClassInfo basic;
    PClassInfo2 two;
    PClassInfoW wide;
    for (int32 bad : {-1, 2, 1000})
    {
        EXPECT_EQ(factory->getClassInfo(bad, &basic), kInvalidArgument);
        EXPECT_EQ(factory->getClassInfo2(bad, &two), kInvalidArgument);
        EXPECT_EQ(factory->getClassInfoUnicode(bad, &wide), kInvalidArgument);
    }
    EXPECT_EQ(factory->getClassInfo(0, nullptr), kInvalidArgument);
    EXPECT_EQ(factory->getClassInfo2(0, nullptr), kInvalidArgument);
    EXPECT_EQ(factory->getClassInfoUnicode(0, nullptr), kInvalidArgument);
    EXPECT_EQ(factory->getFactoryInfo(nullptr), kInvalidArgument);
}

TEST(PluginFactory, UnicodeFormDecodesUtf8AndStaysTerminated)
{
    auto factory = makeFactory();
    // "Tävrek Ω 🎧": two-, three- and four-byte sequences, then a bad byte.
    PClassInfo2 a = record(kClassA, "T\xC3\xA4vrek \xCE\xA9 \xF0\x9F\x8E\xA7 \xFF!");
    // A name filling its whole field without a terminator is cut, not overrun.
    PClassInfo2 b = record(kClassB, "");
    memset(b.name, 'x', sizeof(b.name));
    ASSERT_TRUE(factory->registerClass(&a, createStandIn));
    ASSERT_TRUE(factory->registerClass(&b, createStandIn));

    PClassInfoW wide;
    ASSERT_EQ(factory->getClassInfoUnicode(0, &wide), kResultOk);
    EXPECT_EQ(std::u16string(wide.name), u"T\u00E4vrek \u03A9 \U0001F3A7 \uFFFD!");

    ASSERT_EQ(factory->getClassInfoUnicode(1, &wide), kResultOk);
    EXPECT_EQ(std::u16string(wide.name), std::u16string(PClassInfo::kNameSize - 1, u'x'));
    PClassInfo2 two;
    ASSERT_EQ(factory->getClassInfo2(1, &two), kResultOk);
    EXPECT_EQ(strlen(two.name), size_t(PClassInfo::kNameSize - 1));
}

TEST(PluginFactory, CreateInstanceCases)
{
    auto factory = makeFactory();
    const PClassInfo2 a = record(kClassA, "A");
    const PClassInfo2 b = record(kClassB, "B");
    int context = 0;
    ASSERT_TRUE(factory->registerClass(&a, createRecordingContext, &context));
    ASSERT_TRUE(factory->registerClass(&b, createNothing));

    // The host gets the interface it asked for and holds the only reference.
    void* obj = nullptr;
    ASSERT_EQ(factory->createInstance(kClassA, IPluginBase::iid, &obj), kResultOk);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(lastContext, &context);
    EXPECT_EQ(liveObjects.load(), 1);
    EXPECT_EQ(static_cast<IPluginBase*>(obj)->release(), 0u);
    EXPECT_EQ(liveObjects.load(), 0);

    struct Case
    {
        const char* what;
        const TUID* cid;
        FIDString iid;
        tresult expected;
    };
    const Case cases[] = {
        {"unknown class", &kUnknown, IPluginBase::iid, kNoInterface},
        {"create function gives null", &kClassB, IPluginBase::iid, kNoInterface},
        {"object lacks the interface", &kClassA, IPluginFactory::iid, kNoInterface},
        {"no interface ID", &kClassA, nullptr, kInvalidArgument},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        obj = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(factory->createInstance(*c.cid, c.iid, &obj), c.expected);
        EXPECT_EQ(obj, nullptr);
        EXPECT_EQ(liveObjects.load(), 0); // a refused object is released
    }
    EXPECT_EQ(factory->createInstance(kClassA, IPluginBase::iid, nullptr), kInvalidArgument);
    EXPECT_EQ(factory->createInstance(nullptr, IPluginBase::iid, &obj), kNoInterface);
}

TEST(PluginFactory, ThrowingCreateFunctionIsReportedNotPropagated)
{
    auto factory = makeFactory();
    const PClassInfo2 a = record(kClassA, "A");
    ASSERT_TRUE(factory->registerClass(&a, createThrowing));
    void* obj = nullptr;
    EXPECT_EQ(factory->createInstance(kClassA, IPluginBase::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
}

TEST(PluginFactory, AnswersItsThreeInterfacesAndKeepsTheHostContext)
{
    auto factory = makeFactory();
    for (FIDString iid :
         {FUnknown::iid, IPluginFactory::iid, IPluginFactory2::iid, IPluginFactory3::iid})
    {
        void* obj = nullptr;
        ASSERT_EQ(factory->queryInterface(iid, &obj), kResultOk);
        EXPECT_EQ(static_cast<FUnknown*>(obj)->release(), 1u);
    }
    void* obj = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->queryInterface(IPluginBase::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);

    StandIn* context = new StandIn;
    EXPECT_EQ(factory->setHostContext(context), kResultOk);
    EXPECT_EQ(factory->getHostContext(), context);
    context->release();
}

namespace
{

std::atomic<int> factoriesMade{0};
CPluginFactory* makeShared()
{
    ++factoriesMade;
    auto* factory = new CPluginFactory(kInfo);
    static const PClassInfo2 a = record(kClassA, "A");
    factory->registerClass(&a, createStandIn);
    return factory;
}

} // namespace

TEST(PluginFactory, SharedFactoryIsReusedWhileHeldAndRemadeAfterLastRelease)
{
    factoriesMade = 0;
    IPluginFactory* first = CPluginFactory::getShared(makeShared);
    IPluginFactory* again = CPluginFactory::getShared(makeShared);
    EXPECT_EQ(first, again);
    EXPECT_EQ(factoriesMade.load(), 1);
    EXPECT_EQ(first->addRef(), 3u);
    first->release();
    again->release();
    EXPECT_EQ(first->release(), 0u);

    IPluginFactory* remade = CPluginFactory::getShared(makeShared);
    EXPECT_EQ(factoriesMade.load(), 2);
    EXPECT_EQ(remade->countClasses(), 1);
    remade->release();
}

TEST(PluginFactory, SharedFactorySurvivesConcurrentGetAndRelease)
{
    // Threads that get and drop the factory in a tight loop make the last
    // release and a new get meet; every get must return a live factory.
    factoriesMade = 0;
    std::atomic<int> bad{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
    {
        threads.emplace_back(
            [&bad]
            {
                for (int i = 0; i < 2000; ++i)
                {
                    IPluginFactory* factory = CPluginFactory::getShared(makeShared);
                    if (!factory || factory->countClasses() != 1)
                        ++bad;
                    if (factory)
                        factory->release();
                }
            });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_GE(factoriesMade.load(), 1);

    // Nothing is held any more: the next get makes a fresh factory.
    const int before = factoriesMade.load();
    IPluginFactory* factory = CPluginFactory::getShared(makeShared);
    EXPECT_EQ(factoriesMade.load(), before + 1);
    factory->release();
}
