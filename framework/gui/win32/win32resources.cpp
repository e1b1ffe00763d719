// The pictures are the module's "DATA" resources under their upper-case
// names, the 2x pictures the same names of type "PNG2X" (hosts and tools
// read the "DATA" set as it has always been). Resource data stays mapped for
// the module's lifetime, so the records handed out point straight into it.
#include "gui/embeddedresources.h"
#include "gui/win32/win32module.h"

#include <cctype>
#include <list>
#include <mutex>
#include <string>

namespace VSTGUI
{
namespace
{

struct Found
{
    std::string name;
    int density;
    EmbeddedResource record;
};

std::mutex foundMutex;
std::list<Found> found; // a list: records never move once handed out

} // namespace

const EmbeddedResource* findEmbeddedResource(const char* name, int density)
{
    if (!name || !*name || (density != 1 && density != 2))
        return nullptr;
    std::string upper(name);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    std::lock_guard<std::mutex> lock(foundMutex);
    for (const Found& f : found)
    {
        if (f.name == upper && f.density == density)
            return &f.record;
    }
    const HINSTANCE instance = Win32::toolkitInstance();
    HRSRC info = FindResourceA(instance, upper.c_str(), density == 2 ? "PNG2X" : "DATA");
    if (!info)
        return nullptr;
    HGLOBAL loaded = LoadResource(instance, info);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(instance, info);
    if (!data || size == 0)
        return nullptr;
    found.push_back({upper, density, {nullptr, static_cast<const unsigned char*>(data), size}});
    Found& added = found.back();
    added.record.name = added.name.c_str();
    return &added.record;
}

} // namespace VSTGUI
