// Shared libraries that the editor needs, opened at run time when an editor
// first opens instead of being linked: a module that is only scanned, or
// whose host never shows its editor, maps no window or drawing library at
// all. Each library is opened once and never closed (nothing may be
// unloaded under a live window, and a library whose load-time set-up
// allocates must not repeat it on every load of the module).
//
// A backend lists the functions it calls in an X-macro file, one line each:
//     LAZY_FUNCTION(name, (parameters as in the library's header), arguments)
// and expands the list three times, with LAZY_TABLE_ENTRY,
// LAZY_RESOLVE_ENTRY and LAZY_TRAMPOLINE (see cairo/cairolazy.cpp). Each line
// defines a hidden function of the same C name that calls the real one; the
// compiler checks the line against the library's own declaration, and a
// function missing from the list is a link error for binaries that do not
// link the library itself. A library is loaded, and all of its listed
// functions looked up, on the first call of any of them or of its
// ...Available() below: in an editor, from the UI thread as the view attaches.
#pragma once

namespace VSTGUI
{
namespace Lazy
{

// The library's handle, opened for the rest of the process; null when it
// cannot be opened, with the reason written once to standard error.
void* openForever(const char* soname);
// The function's address in `library`, written to `function`; false (with
// the reason written to standard error) when the library lacks it.
template <class Function> bool resolve(void* library, const char* name, Function*& function);
bool resolveAddress(void* library, const char* name, void*& address);

template <class Function> bool resolve(void* library, const char* name, Function*& function)
{
    void* address = nullptr;
    if (!resolveAddress(library, name, address))
        return false;
    function = reinterpret_cast<Function*>(address);
    return true;
}

// Calls `function`, or does nothing and returns a zero value when the library
// could not be loaded: a picture then stays empty and a window is not made.
template <class R, class... P, class... A> R invoke(R (*function)(P...), A... arguments)
{
    return function ? function(arguments...) : R();
}

template <class Function> struct ReturnOf;
template <class R, class... P> struct ReturnOf<R (*)(P...)>
{
    using type = R;
};

// Whether each backend's library is loaded with every function in its list;
// the first call loads it.
bool xcbAvailable();
bool cairoAvailable();

} // namespace Lazy
} // namespace VSTGUI

// clang-format off
// One pointer per listed function, null until loaded.
#define LAZY_TABLE_ENTRY(name, parameters, ...) decltype(&::name) name = nullptr;
// Fills the pointers from `library`; `complete` turns false on any missing one.
#define LAZY_RESOLVE_ENTRY(name, parameters, ...)                                                  \
    complete = ::VSTGUI::Lazy::resolve(library, #name, table.name) && complete;
// The hidden stand-in for the library's function; `functions()` returns the
// backend's loaded table.
#define LAZY_TRAMPOLINE(name, parameters, ...)                                                     \
    extern "C" __attribute__((visibility("hidden")))                                               \
    auto name parameters -> ::VSTGUI::Lazy::ReturnOf<decltype(&::name)>::type                      \
    {                                                                                              \
        return ::VSTGUI::Lazy::invoke(functions().name, __VA_ARGS__);                              \
    }
// clang-format on
