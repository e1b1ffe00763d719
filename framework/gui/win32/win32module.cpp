#include "gui/win32/win32module.h"

namespace VSTGUI
{
namespace Win32
{

// Asked by address rather than taken from DllMain, so that the toolkit also
// works linked into a program (the tests) and needs no hook in the entry.
HINSTANCE toolkitInstance()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&toolkitInstance), &module);
    return module;
}

} // namespace Win32
} // namespace VSTGUI
