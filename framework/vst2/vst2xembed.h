// The embedder's half of XEmbed for VST 2 hosts, which hand the effect a
// plain X window and expect the editor to show up in it: a client window
// that asks to be mapped (its _XEMBED_INFO carries XEMBED_MAPPED) is mapped
// here, as an XEmbed embedder would.
#pragma once

#include <cstdint>

namespace Steinberg
{
namespace Vst
{

// Maps every unmapped XEmbed client of `parent` that asks for it. False
// when the X server cannot be reached or `parent` is not a window.
bool mapXEmbedClients(std::uintptr_t parent);

} // namespace Vst
} // namespace Steinberg
