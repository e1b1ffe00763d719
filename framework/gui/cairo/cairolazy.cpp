// cairo, opened when the first editor needs it (see gui/x11/lazylibrary.h).
#include "gui/x11/lazylibrary.h"

#include <cairo-xcb.h>
#include <cairo.h>

namespace
{

struct CairoFunctions
{
#define LAZY_FUNCTION LAZY_TABLE_ENTRY
#include "cairofunctions.def"
#undef LAZY_FUNCTION
    bool complete = false;
};

CairoFunctions load()
{
    CairoFunctions table;
    // cairo's xcb surfaces talk to the X server through libxcb: the same
    // library the window uses, loaded first.
    if (!VSTGUI::Lazy::xcbAvailable())
        return table;
    void* library = VSTGUI::Lazy::openForever("libcairo.so.2");
    if (!library)
        return table;
    bool complete = true;
#define LAZY_FUNCTION LAZY_RESOLVE_ENTRY
#include "cairofunctions.def"
#undef LAZY_FUNCTION
    // All or nothing: a half-resolved library would fail somewhere deep in a
    // drawing call instead of refusing the editor.
    if (!complete)
        return CairoFunctions{};
    table.complete = true;
    return table;
}

const CairoFunctions& functions()
{
    static const CairoFunctions table = load();
    return table;
}

} // namespace

#define LAZY_FUNCTION LAZY_TRAMPOLINE
#include "cairofunctions.def"
#undef LAZY_FUNCTION

bool VSTGUI::Lazy::cairoAvailable()
{
    return functions().complete;
}
