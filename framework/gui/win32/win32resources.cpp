// The pictures are the module's "DATA" resources under their upper-case
// names. Resource data stays mapped for the module's lifetime, so the
// records handed out point straight into it.
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
    EmbeddedResource record;
};

std::mutex foundMutex;
std::list<Found> found; // a list: records never move once handed out

} // namespace

const EmbeddedResource* findEmbeddedResource(const char* name)
{
    if (!name || !*name)
        return nullptr;
    std::string upper(name);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    std::lock_guard<std::mutex> lock(foundMutex);
    for (const Found& f : found)
    {
        if (f.name == upper)
            return &f.record;
    }
    const HINSTANCE instance = Win32::toolkitInstance();
    HRSRC info = FindResourceA(instance, upper.c_str(), "DATA");
    if (!info)
        return nullptr;
    HGLOBAL loaded = LoadResource(instance, info);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = SizeofResource(instance, info);
    if (!data || size == 0)
        return nullptr;
    found.push_back({upper, {nullptr, static_cast<const unsigned char*>(data), size}});
    Found& added = found.back();
    added.record.name = added.name.c_str();
    return &added.record;
}

} // namespace VSTGUI
