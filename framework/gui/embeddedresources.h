// Files compiled into the module (pictures), found by name. On Linux the
// module that embeds them defines getEmbeddedResources() (embeddedresources.cpp
// searches it); on Windows they are the module's "DATA" resources
// (win32/win32resources.cpp).
#pragma once

#include <cstddef>

namespace VSTGUI
{

struct EmbeddedResource
{
    const char* name;
    const unsigned char* data;
    std::size_t size;
};

struct EmbeddedResourceList
{
    const EmbeddedResource* entries;
    std::size_t count;
};

// Defined by the embedding module where the pictures are linked in as arrays.
EmbeddedResourceList getEmbeddedResources();

// The resource whose name equals `name` regardless of ASCII case; null when
// there is none or name is null.
const EmbeddedResource* findEmbeddedResource(const char* name);

} // namespace VSTGUI
