-- Helpers shared by the session scripts: find the plug-in on the test track and
-- reach its two parameters by name, as a user would see them in Ardour.

local M = {}

M.trackName = "Signal"

function M.plugin()
    local route = Session:route_by_name(M.trackName)
    assert(not route:isnil(), "no track " .. M.trackName)
    local proc = route:nth_plugin(0)
    assert(not proc:isnil(), "the track has no plug-in")
    return proc
end

-- Ardour numbers a plug-in's controls by counting its control inputs.
function M.controlIndex(proc, label)
    local plug = proc:to_insert():plugin(0)
    local n = 0
    for j = 0, plug:parameter_count() - 1 do
        if plug:parameter_is_control(j) and plug:parameter_is_input(j) then
            if plug:parameter_label(j) == label then
                return n
            end
            n = n + 1
        end
    end
    error("the plug-in has no parameter " .. label)
end

-- The LV2 version has the port "Enabled" (the inverse of Bypass) and Mode as
-- the mode's number (0, 1, 2) instead of the normalised 0, 0.5, 1: values
-- are given and read back in the VST 3 terms for every interface.
local lv2Ports = {
    Bypass = {label = "Enabled", to = function(v) return 1 - v end, from = function(v) return 1 - v end},
    Mode = {label = "Mode", to = function(v) return v * 2 end, from = function(v) return v / 2 end},
}

local function port(proc, label)
    local plug = proc:to_insert():plugin(0)
    if plug:get_info().type == ARDOUR.PluginType.LV2 then
        return lv2Ports[label]
    end
    local same = function(v) return v end
    return {label = label, to = same, from = same}
end

-- Ardour's control value and the value that the plug-in itself reports.
function M.read(proc, label)
    local p = port(proc, label)
    local index = M.controlIndex(proc, p.label)
    local control = ARDOUR.LuaAPI.get_processor_param(proc, index, true)
    local own = ARDOUR.LuaAPI.get_plugin_insert_param(proc:to_insert(), index, true)
    return p.from(control), p.from(own)
end

function M.write(proc, label, value)
    local p = port(proc, label)
    assert(ARDOUR.LuaAPI.set_processor_param(proc, M.controlIndex(proc, p.label), p.to(value)),
           "Ardour refused " .. p.label .. " = " .. p.to(value))
end

-- "name=bypass,mode,active" as given on the command line.
function M.parseSetting(text)
    local name, bypass, mode, active = text:match("^([%w_]+)=([%d.]+),([%d.]+),([01])$")
    assert(name, "bad setting " .. text)
    return {name = name, bypass = tonumber(bypass), mode = tonumber(mode), active = active == "1"}
end

return M
