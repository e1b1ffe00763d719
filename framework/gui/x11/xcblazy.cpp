// libxcb, opened when the first editor needs it (see lazylibrary.h).
#include "gui/x11/lazylibrary.h"

#include <xcb/xcb.h>

namespace
{

struct XcbFunctions
{
#define LAZY_FUNCTION LAZY_TABLE_ENTRY
#include "xcbfunctions.def"
#undef LAZY_FUNCTION
    bool complete = false;
};

XcbFunctions load()
{
    XcbFunctions table;
    void* library = VSTGUI::Lazy::openForever("libxcb.so.1");
    if (!library)
        return table;
    bool complete = true;
#define LAZY_FUNCTION LAZY_RESOLVE_ENTRY
#include "xcbfunctions.def"
#undef LAZY_FUNCTION
    if (!complete)
        return XcbFunctions{};
    table.complete = true;
    return table;
}

const XcbFunctions& functions()
{
    static const XcbFunctions table = load();
    return table;
}

} // namespace

#define LAZY_FUNCTION LAZY_TRAMPOLINE
#include "xcbfunctions.def"
#undef LAZY_FUNCTION

bool VSTGUI::Lazy::xcbAvailable()
{
    return functions().complete;
}
