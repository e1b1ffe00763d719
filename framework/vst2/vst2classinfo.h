// What a VST 2 host is told about the wrapped class, read from the VST 3
// factory: names, vendor, version number and plug-in category.
#pragma once

#include "pluginterfaces/base/ipluginbase.h"

#include <cstdint>
#include <string>

namespace Steinberg
{
namespace Vst
{

struct Vst2ClassDescription
{
    std::string effectName;
    // The class record's own vendor when it has one, the factory's otherwise.
    std::string vendor;
    std::string version;
    std::string subCategories;
};

// Describes the class `cid` of the factory. False when the factory does not
// list that class.
bool describeClass(IPluginFactory& factory, const TUID cid, Vst2ClassDescription& description);

// The dotted version string as one VST 2 version number: each of up to four
// parts weighted 1000, 100, 10 and 1 ("1.0.0.1" -> 1001, "2.1" -> 2100).
// Parsing stops at the first part that is not a number; no number gives 0.
int32_t vst2VersionNumber(const std::string& version);

// True when the '|'-separated sub-categories name an instrument.
bool isInstrument(const std::string& subCategories);

// The VST 2 plug-in category for the sub-categories (a Vst2::PlugCategory).
int32_t vst2PlugCategory(const std::string& subCategories);

} // namespace Vst
} // namespace Steinberg
