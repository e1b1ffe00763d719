-- Sets Kestrum's parameters through Ardour and saves one snapshot per setting,
-- so each can be rendered and reloaded on its own.
--
-- arg: session folder, session name, "wait" or "at-once", then settings
-- "snapshot=bypass,mode,active" (active 0 deactivates the plug-in in Ardour:
-- the rendering without it). "at-once" saves right after setting the values,
-- before any audio ran: what a user does who saves straight after an edit.

local here = debug.getinfo(1, "S").source:match("^@(.*/)") or "./"
local kestrum = dofile(here .. "kestrumsession.lua")

local dir, name, when = arg[1], arg[2], arg[3]
assert(dir and name and (when == "wait" or when == "at-once") and #arg > 3,
       "usage: savesnapshots.lua DIR NAME wait|at-once SETTING...")
assert(load_session(dir, name), "cannot load the session")

local proc = kestrum.plugin()
for i = 4, #arg do
    local setting = kestrum.parseSetting(arg[i])
    -- Ardour 7.3 can lose a VST 3 value set while the plug-in is deactivated in
    -- it: on activation it resyncs from the processor, which never saw the
    -- value. So set values on the active plug-in and deactivate afterwards.
    proc:activate()
    kestrum.write(proc, "Bypass", setting.bypass)
    kestrum.write(proc, "Mode", setting.mode)
    -- "wait" lets the engine run blocks first; "at-once" saves with no block
    -- between the edit and the save (Ardour 7.3 takes a VST 3 state from the
    -- processor without flushing the edit to it first).
    if when == "wait" then
        assert(ARDOUR.LuaAPI.wait_for_process_callback(8, 5000), "the engine does not run")
    end
    if not setting.active then
        proc:deactivate()
    end
    Session:save_state(setting.name, false, false, false, false, false)
    print("SAVED " .. setting.name)
end
close_session()
