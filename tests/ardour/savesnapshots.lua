-- Sets Kestrum's parameters through Ardour and saves one snapshot per setting,
-- so each can be rendered and reloaded on its own.
--
-- arg: session folder, session name, then settings "snapshot=bypass,mode,active"
-- (active 0 deactivates the plug-in in Ardour: the rendering without it).

local here = debug.getinfo(1, "S").source:match("^@(.*/)") or "./"
local kestrum = dofile(here .. "kestrumsession.lua")

local dir, name = arg[1], arg[2]
assert(dir and name and #arg > 2, "usage: savesnapshots.lua DIR NAME SETTING...")
assert(load_session(dir, name), "cannot load the session")

local proc = kestrum.plugin()
for i = 3, #arg do
    local setting = kestrum.parseSetting(arg[i])
    -- Ardour 7.3 can lose a VST 3 value set while the plug-in is deactivated in
    -- it: on activation it resyncs from the processor, which never saw the
    -- value. So set values on the active plug-in and deactivate afterwards.
    proc:activate()
    kestrum.write(proc, "Bypass", setting.bypass)
    kestrum.write(proc, "Mode", setting.mode)
    -- A VST 3 processor sees new values only in its next process call, and the
    -- state that Ardour saves comes from the processor.
    assert(ARDOUR.LuaAPI.wait_for_process_callback(8, 5000), "the engine does not run")
    if not setting.active then
        proc:deactivate()
    end
    Session:save_state(setting.name, false, false, false, false, false)
    print("SAVED " .. setting.name)
end
close_session()
