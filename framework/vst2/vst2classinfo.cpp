#include "vst2/vst2classinfo.h"

#include "vst2/vst2abi.h"

#include "base/source/fobject.h"

#include <cstring>
#include <sstream>

namespace Steinberg
{
namespace Vst
{
namespace
{

std::string boundedText(const char8* text, std::size_t capacity)
{
    return std::string(text, strnlen(text, capacity));
}

bool hasSubCategory(const std::string& subCategories, const char* wanted)
{
    std::istringstream list(subCategories);
    std::string item;
    while (std::getline(list, item, '|'))
    {
        if (item == wanted)
            return true;
    }
    return false;
}

} // namespace

bool describeClass(IPluginFactory& factory, const TUID cid, Vst2ClassDescription& description)
{
    const int32 count = factory.countClasses();
    for (int32 index = 0; index < count; ++index)
    {
        PClassInfo info{};
        if (factory.getClassInfo(index, &info) != kResultOk || std::memcmp(info.cid, cid, 16) != 0)
            continue;

        Vst2ClassDescription result;
        result.effectName = boundedText(info.name, PClassInfo::kNameSize);

        PFactoryInfo factoryInfo{};
        if (factory.getFactoryInfo(&factoryInfo) == kResultOk)
            result.vendor = boundedText(factoryInfo.vendor, PFactoryInfo::kNameSize);

        FUnknownPtr<IPluginFactory2> factory2(&factory);
        PClassInfo2 info2{};
        if (factory2 && factory2->getClassInfo2(index, &info2) == kResultOk)
        {
            const std::string classVendor = boundedText(info2.vendor, PClassInfo2::kVendorSize);
            if (!classVendor.empty())
                result.vendor = classVendor;
            result.version = boundedText(info2.version, PClassInfo2::kVersionSize);
            result.subCategories =
                boundedText(info2.subCategories, PClassInfo2::kSubCategoriesSize);
        }
        description = std::move(result);
        return true;
    }
    return false;
}

int32_t vst2VersionNumber(const std::string& version)
{
    static const int32_t weights[] = {1000, 100, 10, 1};
    int32_t number = 0;
    std::size_t pos = 0;
    for (int32_t weight : weights)
    {
        std::size_t end = pos;
        int32_t part = 0;
        while (end < version.size() && version[end] >= '0' && version[end] <= '9' && part < 100000)
            part = part * 10 + (version[end++] - '0');
        if (end == pos)
            break;
        number += part * weight;
        if (end >= version.size() || version[end] != '.')
            break;
        pos = end + 1;
    }
    return number;
}

bool isInstrument(const std::string& subCategories)
{
    return hasSubCategory(subCategories, "Instrument");
}

int32_t vst2PlugCategory(const std::string& subCategories)
{
    struct Mapping
    {
        const char* subCategory;
        int32_t category;
    };
    // Checked in order: an instrument stays an instrument whatever else it is.
    static const Mapping mappings[] = {
        {"Instrument", Vst2::kPlugCategSynth},        {"Generator", Vst2::kPlugCategGenerator},
        {"Analyzer", Vst2::kPlugCategAnalysis},       {"Mastering", Vst2::kPlugCategMastering},
        {"Spatial", Vst2::kPlugCategSpacializer},     {"Reverb", Vst2::kPlugCategRoomFx},
        {"Restoration", Vst2::kPlugCategRestoration},
    };
    for (const Mapping& mapping : mappings)
    {
        if (hasSubCategory(subCategories, mapping.subCategory))
            return mapping.category;
    }
    return Vst2::kPlugCategEffect;
}

} // namespace Vst
} // namespace Steinberg
