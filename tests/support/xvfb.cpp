#include "support/xvfb.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace KestrumTest
{
namespace
{

constexpr char kXvfb[] = "/usr/bin/Xvfb";
constexpr char kXdotool[] = "/usr/bin/xdotool";
constexpr int kStartTimeoutMs = 10000;

// The display number Xvfb writes once it accepts connections, or "".
std::string readDisplayNumber(int fd)
{
    std::string number;
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, kStartTimeoutMs) > 0)
    {
        char c = 0;
        const ssize_t n = ::read(fd, &c, 1);
        if (n <= 0 || c == '\n')
            break;
        number += c;
    }
    return number;
}

} // namespace

bool XvfbServer::available()
{
    return ::access(kXvfb, X_OK) == 0 && ::access(kXdotool, X_OK) == 0;
}

XvfbServer::XvfbServer()
{
    if (::access(kXvfb, X_OK) != 0)
    {
        failure = "Xvfb is not installed";
        return;
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
    {
        failure = "pipe failed";
        return;
    }
    server = ::fork();
    if (server == 0)
    {
        // Dies with the test process, and keeps off the test's output.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, 1);
        ::dup2(devNull, 2);
        // The write end without close-on-exec, under a number Xvfb is told.
        const int fd = ::dup(pipeFds[1]);
        const std::string fdText = std::to_string(fd);
        // -noreset: the server would otherwise reset, and refuse connections
        // for a moment, each time its last client leaves.
        ::execl(kXvfb, "Xvfb", "-displayfd", fdText.c_str(), "-noreset", "-nolisten", "tcp",
                "-screen", "0", "640x480x24", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    if (server < 0)
    {
        ::close(pipeFds[0]);
        failure = "fork failed";
        return;
    }
    const std::string number = readDisplayNumber(pipeFds[0]);
    ::close(pipeFds[0]);
    if (number.empty())
    {
        failure = "Xvfb did not start";
        return;
    }

    if (const char* old = std::getenv("DISPLAY"))
    {
        hadDisplay = true;
        previousDisplay = old;
    }
    const std::string name = ":" + number;
    ::setenv("DISPLAY", name.c_str(), 1);
    xcb_connection_t* probe = xcb_connect(nullptr, nullptr);
    const bool ok = !xcb_connection_has_error(probe);
    xcb_disconnect(probe);
    if (!ok)
    {
        failure = "cannot connect to Xvfb on " + name;
        return;
    }
    display = name;
}

XvfbServer::~XvfbServer()
{
    if (server > 0)
    {
        ::kill(server, SIGTERM);
        while (::waitpid(server, nullptr, 0) < 0 && errno == EINTR)
        {
        }
    }
    if (hadDisplay)
        ::setenv("DISPLAY", previousDisplay.c_str(), 1);
    else
        ::unsetenv("DISPLAY");
}

bool xdotoolInWindow(unsigned long window, const std::string& actions)
{
    const std::string command = std::string(kXdotool) + " mousemove --window " +
                                std::to_string(window) + " " + actions + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

} // namespace KestrumTest
