// The host run loop interfaces (Steinberg::Linux::IRunLoop and its
// handlers). The SDK copy declares them only when built for Linux (later
// SDKs declare them everywhere); the toolkit and the VST 2 adapter use them
// on every platform, so here they are, with the SDK's IIDs. Windows hosts
// offer no run loop; the VST 2 adapter's own loop drives the idle timer.
#pragma once

#include "pluginterfaces/gui/iplugview.h"

namespace Steinberg
{
namespace Linux
{

using TimerInterval = uint64;
using FileDescriptor = int;

class IEventHandler : public FUnknown
{
public:
    virtual void PLUGIN_API onFDIsSet(FileDescriptor fd) = 0;
    static const FUID iid;
};
DECLARE_CLASS_IID(IEventHandler, 0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983)

class ITimerHandler : public FUnknown
{
public:
    virtual void PLUGIN_API onTimer() = 0;
    static const FUID iid;
};
DECLARE_CLASS_IID(ITimerHandler, 0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9)

class IRunLoop : public FUnknown
{
public:
    virtual tresult PLUGIN_API registerEventHandler(IEventHandler* handler, FileDescriptor fd) = 0;
    virtual tresult PLUGIN_API unregisterEventHandler(IEventHandler* handler) = 0;
    virtual tresult PLUGIN_API registerTimer(ITimerHandler* handler,
                                             TimerInterval milliseconds) = 0;
    virtual tresult PLUGIN_API unregisterTimer(ITimerHandler* handler) = 0;
    static const FUID iid;
};
DECLARE_CLASS_IID(IRunLoop, 0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389)

} // namespace Linux
} // namespace Steinberg
