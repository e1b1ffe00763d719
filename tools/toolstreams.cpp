#include "toolstreams.h"

#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace KestrumTool
{
namespace
{

std::FILE* errors = stderr;
bool muting = false;
int savedStderr = -1;
int nullFd = -1;
std::mutex muteLock;
int muteDepth = 0;

} // namespace

void setUpToolStreams(bool showPluginDiagnostics)
{
    if (showPluginDiagnostics)
        return;
    savedStderr = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    nullFd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    std::FILE* copy = savedStderr >= 0 ? fdopen(savedStderr, "w") : nullptr;
    if (!copy || nullFd < 0)
        return; // then everything stays on stderr
    setvbuf(copy, nullptr, _IONBF, 0);
    errors = copy;
    muting = true;
}

std::FILE* toolErrors()
{
    return errors;
}

PluginDiagnosticsMuted::PluginDiagnosticsMuted()
{
    if (!muting)
        return;
    std::lock_guard<std::mutex> lock(muteLock);
    if (muteDepth++ == 0)
    {
        std::fflush(stderr);
        dup2(nullFd, STDERR_FILENO);
    }
}

PluginDiagnosticsMuted::~PluginDiagnosticsMuted()
{
    if (!muting)
        return;
    std::lock_guard<std::mutex> lock(muteLock);
    if (--muteDepth == 0)
    {
        std::fflush(stderr);
        dup2(savedStderr, STDERR_FILENO);
    }
}

} // namespace KestrumTool
