// The run loop's one wait on the window system, per platform.
#pragma once

#include <vector>

namespace Steinberg
{
namespace Vst
{

// Waits at most timeoutMs (0: not at all) until one of `descriptors` can be
// read. `readable[i]` tells for each descriptor; false when none became
// readable in time.
bool waitForReadable(const std::vector<int>& descriptors, std::vector<bool>& readable,
                     int timeoutMs);

} // namespace Vst
} // namespace Steinberg
