#include "gui/embeddedresources.h"

#include <string>
#include <strings.h>

namespace VSTGUI
{

const EmbeddedResource* findEmbeddedResource(const char* name, int density)
{
    if (!name || (density != 1 && density != 2))
        return nullptr;
    const std::string wanted = density == 2 ? std::string("2x/") + name : std::string(name);
    const EmbeddedResourceList list = getEmbeddedResources();
    for (std::size_t i = 0; i < list.count; ++i)
    {
        if (strcasecmp(list.entries[i].name, wanted.c_str()) == 0)
            return &list.entries[i];
    }
    return nullptr;
}

} // namespace VSTGUI
