-- Loads saved snapshots and prints what came back of Kestrum's settings, both
-- Ardour's control values and the values the plug-in itself reports:
-- "PARAMS <snapshot> <active> <bypass control> <bypass plug-in> <mode control>
-- <mode plug-in>".
--
-- arg: session folder, snapshot names.

local here = debug.getinfo(1, "S").source:match("^@(.*/)") or "./"
local kestrum = dofile(here .. "kestrumsession.lua")

local dir = arg[1]
assert(dir and #arg > 1, "usage: readsnapshot.lua DIR SNAPSHOT...")

for i = 2, #arg do
    assert(load_session(dir, arg[i]), "cannot load the snapshot " .. arg[i])
    -- Let restored values settle into the plug-in before reading them.
    assert(ARDOUR.LuaAPI.wait_for_process_callback(8, 5000), "the engine does not run")
    local proc = kestrum.plugin()
    local bypass, ownBypass = kestrum.read(proc, "Bypass")
    local mode, ownMode = kestrum.read(proc, "Mode")
    print(string.format("PARAMS %s %d %.9g %.9g %.9g %.9g", arg[i], proc:active() and 1 or 0,
                        bypass, ownBypass, mode, ownMode))
    close_session()
end
