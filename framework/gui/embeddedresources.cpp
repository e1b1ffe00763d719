#include "gui/embeddedresources.h"

#include <strings.h>

namespace VSTGUI
{

const EmbeddedResource* findEmbeddedResource(const char* name)
{
    if (!name)
        return nullptr;
    const EmbeddedResourceList list = getEmbeddedResources();
    for (std::size_t i = 0; i < list.count; ++i)
    {
        if (strcasecmp(list.entries[i].name, name) == 0)
            return &list.entries[i];
    }
    return nullptr;
}

} // namespace VSTGUI
