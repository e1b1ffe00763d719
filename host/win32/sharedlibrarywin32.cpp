#include "host/sharedlibrary.h"

#include <windows.h>

namespace KestrumHost
{
namespace
{

std::wstring toWide(const std::string& text)
{
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            length);
    return wide;
}

} // namespace

std::unique_ptr<SharedLibrary> SharedLibrary::open(const std::string& path, std::string& error)
{
    HMODULE handle = LoadLibraryW(toWide(path).c_str());
    if (!handle)
    {
        error = "cannot load '" + path + "': error " + std::to_string(GetLastError());
        return nullptr;
    }
    return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle));
}

SharedLibrary::~SharedLibrary()
{
    FreeLibrary(static_cast<HMODULE>(handle));
}

void* SharedLibrary::symbol(const char* name) const
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

// Windows hosts call InitDll after loading and ExitDll before unloading,
// when the module has them.
bool enterVst3Module(const SharedLibrary& library)
{
    using InitProc = bool (*)();
    auto init = reinterpret_cast<InitProc>(library.symbol("InitDll"));
    return !init || init();
}

void exitVst3Module(const SharedLibrary& library)
{
    using ExitProc = bool (*)();
    if (auto exitProc = reinterpret_cast<ExitProc>(library.symbol("ExitDll")))
        exitProc();
}

std::string vst3BundleBinary(const std::string& bundle, const std::string& stem)
{
    return bundle + "/Contents/x86_64-win/" + stem + ".vst3";
}

} // namespace KestrumHost
