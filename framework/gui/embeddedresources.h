// Files compiled into the module (pictures), found by name and density (1 for
// the 1x pictures, 2 for the same pictures drawn at twice the resolution). On
// Linux the module that embeds them defines getEmbeddedResources()
// (embeddedresources.cpp searches it, the 2x ones under "2x/NAME"); on Windows
// they are the module's "DATA" resources, the 2x ones of type "PNG2X"
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

// The resource whose name equals `name` regardless of ASCII case, at
// `density` (1 or 2); null when there is none or name is null.
const EmbeddedResource* findEmbeddedResource(const char* name, int density = 1);

} // namespace VSTGUI
