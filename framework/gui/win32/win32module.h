// The Windows module (DLL or program) that holds the toolkit's code: its
// resources hold the pictures, and its window class is registered with it.
#pragma once

#include <windows.h>

namespace VSTGUI
{
namespace Win32
{

HINSTANCE toolkitInstance();

} // namespace Win32
} // namespace VSTGUI
