// Windows: the host hands over an HWND; the editor's child window is
// created visible, so the window only has to still exist.
#include "vst2/vst2platform.h"

#include "pluginterfaces/gui/iplugview.h"

#include <windows.h>

namespace Steinberg
{
namespace Vst
{

FIDString vst2EditorPlatformType()
{
    return kPlatformTypeHWND;
}

bool showAttachedEditor(std::uintptr_t parent)
{
    return IsWindow(reinterpret_cast<HWND>(parent)) != FALSE;
}

} // namespace Vst
} // namespace Steinberg
