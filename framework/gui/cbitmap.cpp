// What a picture does alike on every drawing library: finding its data among
// the resources and pairing the 1x version with its 2x one.
#include "gui/cbitmap.h"

#include "gui/embeddedresources.h"

namespace VSTGUI
{

CBitmap::CBitmap(const CResourceDescription& description)
{
    if (const EmbeddedResource* resource = findEmbeddedResource(description.name))
        image = decode(resource->data, resource->size);
    if (image)
        loadHighResolution(description.name);
}

CBitmap::CBitmap(const unsigned char* pngData, std::size_t size) : image(decode(pngData, size)) {}

CBitmap::~CBitmap()
{
    destroy(image2x);
    destroy(image);
}

void CBitmap::loadHighResolution(const char* name)
{
    const EmbeddedResource* resource = findEmbeddedResource(name, 2);
    if (!resource)
        return;
    PlatformImage* decoded = decode(resource->data, resource->size);
    // Offsets into film strips are 1x pixels: a 2x picture of another shape
    // would show the wrong parts, so the 1x one is scaled instead.
    if (decoded && pixelWidth(decoded) == 2 * pixelWidth(image) &&
        pixelHeight(decoded) == 2 * pixelHeight(image))
        image2x = decoded;
    else
        destroy(decoded);
}

CCoord CBitmap::getWidth() const
{
    return image ? pixelWidth(image) : 0;
}

CCoord CBitmap::getHeight() const
{
    return image ? pixelHeight(image) : 0;
}

} // namespace VSTGUI
