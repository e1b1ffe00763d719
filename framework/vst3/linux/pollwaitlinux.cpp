#include "vst3/pollwait.h"

#include <cstddef>
#include <poll.h>

namespace Steinberg
{
namespace Vst
{

bool waitForReadable(const std::vector<int>& descriptors, std::vector<bool>& readable,
                     int timeoutMs)
{
    std::vector<pollfd> fds;
    fds.reserve(descriptors.size());
    for (int fd : descriptors)
        fds.push_back({fd, POLLIN, 0});
    readable.assign(descriptors.size(), false);
    // With no descriptors this is the sleep until the next timer.
    if (::poll(fds.data(), static_cast<nfds_t>(fds.size()), timeoutMs < 0 ? 0 : timeoutMs) <= 0)
        return false;
    for (std::size_t i = 0; i < fds.size(); ++i)
        readable[i] = (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    return true;
}

} // namespace Vst
} // namespace Steinberg
