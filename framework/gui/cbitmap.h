// A picture decoded from PNG data. A picture that cannot be found or decoded
// is empty (0 x 0) and draws nothing; the controls that use it still work.
// A picture from the resources also takes its 2x version where there is one:
// sizes and offsets stay in 1x (logical) pixels, and the drawing context
// picks the version for its scale.
#pragma once

#include "gui/cbaseobject.h"
#include "gui/cgraphics.h"

#include "drawingbackend.h"

#include <cstddef>

namespace VSTGUI
{

// Names a picture among the module's embedded resources.
struct CResourceDescription
{
    CResourceDescription(const char* resourceName) : name(resourceName) {}
    const char* name;
};

class CBitmap : public CBaseObject
{
public:
    // Looks the name up among the embedded resources, ignoring case; a 2x
    // version is kept only when it is exactly twice the 1x size.
    explicit CBitmap(const CResourceDescription& description);
    // Decodes PNG bytes held by the caller.
    CBitmap(const unsigned char* pngData, std::size_t size);
    ~CBitmap() override;
    CBitmap(const CBitmap&) = delete;

    CCoord getWidth() const;
    CCoord getHeight() const;
    bool isLoaded() const { return image != nullptr; }
    // The colour of one pixel, not premultiplied; false (and `colour`
    // untouched) outside the picture.
    bool getPixel(int x, int y, CColor& colour) const;
    PlatformImage* surface() const { return image; }
    bool hasHighResolution() const { return image2x != nullptr; }
    // The version to draw at `scale`: the 2x one from 1.5 on, where there is
    // one; `density` tells which (1 or 2).
    PlatformImage* surfaceFor(double scale, int& density) const
    {
        density = scale >= 1.5 && image2x ? 2 : 1;
        return density == 2 ? image2x : image;
    }

private:
    static PlatformImage* decode(const unsigned char* pngData, std::size_t size);
    static int pixelWidth(const PlatformImage* picture);
    static int pixelHeight(const PlatformImage* picture);
    static void destroy(PlatformImage* picture);
    void loadHighResolution(const char* name);

    // Outlives the image; an empty object where the library needs no start-up.
    [[maybe_unused]] PlatformSession session;
    PlatformImage* image = nullptr;
    PlatformImage* image2x = nullptr;
};

} // namespace VSTGUI
