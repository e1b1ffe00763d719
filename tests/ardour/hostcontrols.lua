-- What Ardour makes of the LV2 version's ports: its own on/off switch for the
-- plug-in (PluginInsert enable, the processor box's LED) must drive the
-- `enabled` port with the plug-in still running, and Mode must be a list
-- (an enumeration from 0 to 2, default 1). Prints "HOSTBYPASS <on|off>
-- <active> <Bypass>" and "MODE <lower> <upper> <default> <enumeration>".
--
-- arg: session folder, session name.

local here = debug.getinfo(1, "S").source:match("^@(.*/)") or "./"
local kestrum = dofile(here .. "kestrumsession.lua")

local dir, name = arg[1], arg[2]
assert(dir and name, "usage: hostcontrols.lua DIR NAME")
assert(load_session(dir, name), "cannot load the session")

local proc = kestrum.plugin()
local insert = proc:to_insert()
for _, on in ipairs({false, true}) do
    insert:enable(on)
    assert(ARDOUR.LuaAPI.wait_for_process_callback(8, 5000), "the engine does not run")
    local _, ownBypass = kestrum.read(proc, "Bypass")
    print(string.format("HOSTBYPASS %s %d %.9g", on and "on" or "off", proc:active() and 1 or 0,
                        ownBypass))
end

local plug = insert:plugin(0)
local index = kestrum.controlIndex(proc, "Mode")
-- Reference arguments come back as a table of all arguments.
local _, refs = plug:get_parameter_descriptor(plug:nth_parameter(index, true),
                                              ARDOUR.ParameterDescriptor())
local descriptor = refs[2]
local line = string.format("MODE %g %g %g %s", descriptor.lower, descriptor.upper,
                           descriptor.normal, tostring(descriptor.enumeration))
print(line)
close_session()
