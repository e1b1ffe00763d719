#include "vst3/pluginfactory.h"

#include <cstring>
#include <mutex>

namespace Steinberg
{
namespace
{

// The module's current factory. Guarded by factoryMutex; a factory clears it
// in its destructor when it is still the current one.
std::mutex factoryMutex;
CPluginFactory* currentFactory = nullptr;

// Decodes one UTF-8 sequence at text[pos], advancing pos; malformed input
// gives U+FFFD so a bad byte never swallows the rest of a name.
char32_t decodeUtf8(const char8* text, size_t length, size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80)
        return lead;
    int extra = 0;
    char32_t code = 0;
    if ((lead & 0xE0) == 0xC0)
        extra = 1, code = lead & 0x1F;
    else if ((lead & 0xF0) == 0xE0)
        extra = 2, code = lead & 0x0F;
    else if ((lead & 0xF8) == 0xF0)
        extra = 3, code = lead & 0x07;
    else
        return 0xFFFD;
    for (int i = 0; i < extra; ++i)
    {
        if (pos >= length || (static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80)
            return 0xFFFD;
        code = (code << 6) | (static_cast<unsigned char>(text[pos++]) & 0x3F);
    }
    static const char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
    if (code < minimum[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0xFFFD;
    return code;
}

// Converts a zero-terminated UTF-8 field of at most srcSize bytes into a
// zero-terminated UTF-16 field of dstSize units, cutting only between
// characters.
void utf8ToUtf16(char16* dst, size_t dstSize, const char8* src, size_t srcSize)
{
    const size_t length = strnlen(src, srcSize);
    size_t out = 0;
    size_t pos = 0;
    while (pos < length)
    {
        const char32_t code = decodeUtf8(src, length, pos);
        const size_t units = code >= 0x10000 ? 2 : 1;
        if (out + units >= dstSize)
            break;
        if (units == 2)
        {
            dst[out++] = static_cast<char16>(0xD800 + ((code - 0x10000) >> 10));
            dst[out++] = static_cast<char16>(0xDC00 + ((code - 0x10000) & 0x3FF));
        }
        else
            dst[out++] = static_cast<char16>(code);
    }
    dst[out] = 0;
}

template <size_t N, size_t M> void copyToUtf16(char16 (&dst)[N], const char8 (&src)[M])
{
    utf8ToUtf16(dst, N, src, M);
}

PClassInfoW toUnicode(const PClassInfo2& info)
{
    PClassInfoW w;
    std::memcpy(w.cid, info.cid, sizeof(TUID));
    w.cardinality = info.cardinality;
    std::memcpy(w.category, info.category, sizeof(w.category));
    copyToUtf16(w.name, info.name);
    w.classFlags = info.classFlags;
    std::memcpy(w.subCategories, info.subCategories, sizeof(w.subCategories));
    copyToUtf16(w.vendor, info.vendor);
    copyToUtf16(w.version, info.version);
    copyToUtf16(w.sdkVersion, info.sdkVersion);
    return w;
}

// Records handed in may lack their terminating zero; ours never do.
template <size_t N> void terminate(char8 (&field)[N])
{
    field[N - 1] = 0;
}

} // namespace

CPluginFactory::CPluginFactory(const PFactoryInfo& info) : factoryInfo(info)
{
    terminate(factoryInfo.vendor);
    terminate(factoryInfo.url);
    terminate(factoryInfo.email);
}

CPluginFactory::~CPluginFactory()
{
    std::lock_guard<std::mutex> lock(factoryMutex);
    if (currentFactory == this)
        currentFactory = nullptr;
}

bool CPluginFactory::registerClass(const PClassInfo2* info, CreateFunction createFunc,
                                   void* context)
{
    if (!info || !createFunc || isClassRegistered(FUID::fromTUID(info->cid)))
        return false;
    try
    {
        ClassEntry entry{*info, {}, createFunc, context};
        terminate(entry.info.category);
        terminate(entry.info.name);
        terminate(entry.info.subCategories);
        terminate(entry.info.vendor);
        terminate(entry.info.version);
        terminate(entry.info.sdkVersion);
        entry.infoW = toUnicode(entry.info);
        classes.push_back(entry);
    }
    catch (...)
    {
        return false; // the class list could not grow
    }
    return true;
}

bool CPluginFactory::isClassRegistered(const FUID& cid) const
{
    TUID bytes;
    cid.toTUID(bytes);
    return findClass(reinterpret_cast<FIDString>(bytes)) != nullptr;
}

void CPluginFactory::removeAllClasses()
{
    classes.clear();
}

IPluginFactory* CPluginFactory::getShared(MakeFunction make)
{
    std::lock_guard<std::mutex> lock(factoryMutex);
    if (currentFactory && currentFactory->tryAddRef())
        return currentFactory;
    currentFactory = make ? make() : nullptr;
    return currentFactory;
}

const CPluginFactory::ClassEntry* CPluginFactory::findClass(FIDString cid) const
{
    if (!cid)
        return nullptr;
    for (const auto& entry : classes)
    {
        if (std::memcmp(entry.info.cid, cid, sizeof(TUID)) == 0)
            return &entry;
    }
    return nullptr;
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info)
{
    if (!info)
        return kInvalidArgument;
    *info = factoryInfo;
    return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses()
{
    return static_cast<int32>(classes.size());
}

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info)
{
    if (!info || index < 0 || index >= countClasses())
        return kInvalidArgument;
    const PClassInfo2& source = classes[static_cast<size_t>(index)].info;
    *info = PClassInfo(source.cid, source.cardinality, source.category, source.name);
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info)
{
    if (!info || index < 0 || index >= countClasses())
        return kInvalidArgument;
    *info = classes[static_cast<size_t>(index)].info;
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info)
{
    if (!info || index < 0 || index >= countClasses())
        return kInvalidArgument;
    *info = classes[static_cast<size_t>(index)].infoW;
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString iid, void** obj)
{
    if (!obj)
        return kInvalidArgument;
    *obj = nullptr;
    if (!iid)
        return kInvalidArgument;
    const ClassEntry* entry = findClass(cid);
    if (!entry)
        return kNoInterface;

    FUnknown* instance = nullptr;
    try
    {
        instance = entry->createFunc(entry->context);
    }
    catch (...)
    {
        instance = nullptr; // nothing may be thrown into the host
    }
    if (!instance)
        return kNoInterface;

    // The host gets the interface it asked for and holds the only reference.
    void* requested = nullptr;
    const tresult result = instance->queryInterface(iid, &requested);
    instance->release();
    if (result != kResultOk || !requested)
    {
        if (requested)
            static_cast<FUnknown*>(requested)->release();
        return kNoInterface;
    }
    *obj = requested;
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::setHostContext(FUnknown* context)
{
    hostContext = context;
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::queryInterface(const TUID iid, void** obj)
{
    QUERY_INTERFACE(iid, obj, FUnknown::iid, IPluginFactory)
    QUERY_INTERFACE(iid, obj, IPluginFactory::iid, IPluginFactory)
    QUERY_INTERFACE(iid, obj, IPluginFactory2::iid, IPluginFactory2)
    QUERY_INTERFACE(iid, obj, IPluginFactory3::iid, IPluginFactory3)
    if (obj)
        *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API CPluginFactory::addRef()
{
    return ++refCount;
}

uint32 PLUGIN_API CPluginFactory::release()
{
    const uint32 remaining = --refCount;
    if (remaining == 0)
        delete this;
    return remaining;
}

bool CPluginFactory::tryAddRef()
{
    uint32 count = refCount.load();
    while (count != 0)
    {
        if (refCount.compare_exchange_weak(count, count + 1))
            return true;
    }
    return false;
}

} // namespace Steinberg
