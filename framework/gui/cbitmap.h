// A picture decoded from PNG data. A picture that cannot be found or decoded
// is empty (0 x 0) and draws nothing; the controls that use it still work.
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
    // Looks the name up among the embedded resources, ignoring case.
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

private:
    void decode(const unsigned char* pngData, std::size_t size);

    // Outlives the image; an empty object where the library needs no start-up.
    [[maybe_unused]] PlatformSession session;
    PlatformImage* image = nullptr;
};

} // namespace VSTGUI
