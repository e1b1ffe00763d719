// The plug-in factory a module hands to its host: factory information, a
// list of registered classes with their create functions, and the creation
// of instances by class ID. Mirrors the SDK class of the same name, which the
// Debian copy of the SDK does not ship.
#pragma once

#include "pluginterfaces/base/ipluginbase.h"

#include <atomic>
#include <vector>

namespace Steinberg
{

class CPluginFactory : public IPluginFactory3
{
public:
    using CreateFunction = FUnknown* (*)(void* context);
    using MakeFunction = CPluginFactory* (*)();

    explicit CPluginFactory(const PFactoryInfo& info);
    virtual ~CPluginFactory();

    CPluginFactory(const CPluginFactory&) = delete;
    CPluginFactory& operator=(const CPluginFactory&) = delete;

    // Adds a class. False (and nothing added) without a record or a create
    // function, or when the class ID is already registered.
    bool registerClass(const PClassInfo2* info, CreateFunction createFunc, void* context = nullptr);
    bool isClassRegistered(const FUID& cid) const;
    void removeAllClasses();

    // The module's one factory: the current one with a new reference, or a
    // new one from `make` when there is none or the last one is on its way
    // out. Safe to call from several threads, also while the previous factory
    // is being released on another thread. `make` runs under the module's
    // factory lock and must not release a factory.
    static IPluginFactory* getShared(MakeFunction make);

    // IPluginFactory
    tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) SMTG_OVERRIDE;
    int32 PLUGIN_API countClasses() SMTG_OVERRIDE;
    tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) SMTG_OVERRIDE;
    tresult PLUGIN_API createInstance(FIDString cid, FIDString iid, void** obj) SMTG_OVERRIDE;

    // IPluginFactory2
    tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) SMTG_OVERRIDE;

    // IPluginFactory3
    tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) SMTG_OVERRIDE;
    tresult PLUGIN_API setHostContext(FUnknown* context) SMTG_OVERRIDE;

    // FUnknown
    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) SMTG_OVERRIDE;
    uint32 PLUGIN_API addRef() SMTG_OVERRIDE;
    uint32 PLUGIN_API release() SMTG_OVERRIDE;

    // The host context last given by setHostContext (not counted: the host
    // outlives its factory), or null.
    FUnknown* getHostContext() const { return hostContext; }

private:
    struct ClassEntry
    {
        PClassInfo2 info;
        PClassInfoW infoW;
        CreateFunction createFunc;
        void* context;
    };

    // Adds a reference unless the count already reached zero.
    bool tryAddRef();
    const ClassEntry* findClass(FIDString cid) const;

    std::atomic<uint32> refCount{1};
    PFactoryInfo factoryInfo;
    std::vector<ClassEntry> classes;
    FUnknown* hostContext = nullptr;
};

} // namespace Steinberg
