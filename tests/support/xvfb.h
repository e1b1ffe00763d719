// A private X server for GUI tests: Xvfb on a display number it picks
// itself (so parallel test runs never meet), made the process's $DISPLAY
// while it runs, and stopped with the test. Also drives the pointer and
// keyboard on it with xdotool.
#pragma once

#include <string>
#include <sys/types.h>

namespace KestrumTest
{

class XvfbServer
{
public:
    // Starts the server and waits until it accepts connections.
    XvfbServer();
    // Stops the server and restores the previous $DISPLAY.
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // False when Xvfb is missing or did not start; `problem` says why.
    bool running() const { return !display.empty(); }
    const std::string& problem() const { return failure; }
    const std::string& displayName() const { return display; }

    // True when Xvfb and xdotool are installed.
    static bool available();

private:
    pid_t server = -1;
    std::string display;
    std::string failure;
    std::string previousDisplay;
    bool hadDisplay = false;
};

// Runs `xdotool mousemove --window <window> <actions>`, e.g. "20 30 click 1":
// positions are relative to the window. True when xdotool succeeded.
bool xdotoolInWindow(unsigned long window, const std::string& actions);

} // namespace KestrumTest
