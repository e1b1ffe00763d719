// The product's version, in the one place the factory's class records, the
// VST 2 entry and the build (which checks the project version against it)
// read it from.
#pragma once

#define KESTRUM_VERSION_MAJOR 1
#define KESTRUM_VERSION_MINOR 0
#define KESTRUM_VERSION_SUB 0
#define KESTRUM_VERSION_BUILD 1

#define KESTRUM_STRINGIFY_(x) #x
#define KESTRUM_STRINGIFY(x) KESTRUM_STRINGIFY_(x)

#define KESTRUM_VERSION_STRING                                                                     \
    KESTRUM_STRINGIFY(KESTRUM_VERSION_MAJOR)                                                       \
    "." KESTRUM_STRINGIFY(KESTRUM_VERSION_MINOR) "." KESTRUM_STRINGIFY(                            \
        KESTRUM_VERSION_SUB) "." KESTRUM_STRINGIFY(KESTRUM_VERSION_BUILD)

namespace Kestrum
{

constexpr char kVersionString[] = KESTRUM_VERSION_STRING;

// One integer for interfaces that take the version as a number (VST 2's
// vendor and effect versions): 1.0.0.1 -> 1001.
constexpr int kVersionNumber = KESTRUM_VERSION_MAJOR * 1000 + KESTRUM_VERSION_MINOR * 100 +
                               KESTRUM_VERSION_SUB * 10 + KESTRUM_VERSION_BUILD;

constexpr char kVendorName[] = "Tavrek";
constexpr char kVendorUrl[] = "https://www.tavrek.example";
constexpr char kVendorEmail[] = "mailto:info@tavrek.example";

} // namespace Kestrum
