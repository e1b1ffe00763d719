// The host run loop interfaces (Steinberg::Linux::IRunLoop and its
// handlers): on Linux the SDK's own declarations.
#pragma once

#include "pluginterfaces/gui/iplugview.h"
