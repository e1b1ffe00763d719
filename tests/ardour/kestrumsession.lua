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

-- Ardour's control value and the value that the plug-in itself reports.
function M.read(proc, label)
    local index = M.controlIndex(proc, label)
    local control = ARDOUR.LuaAPI.get_processor_param(proc, index, true)
    local own = ARDOUR.LuaAPI.get_plugin_insert_param(proc:to_insert(), index, true)
    return control, own
end

function M.write(proc, label, value)
    assert(ARDOUR.LuaAPI.set_processor_param(proc, M.controlIndex(proc, label), value),
           "Ardour refused " .. label .. " = " .. value)
end

-- "name=bypass,mode,active" as given on the command line.
function M.parseSetting(text)
    local name, bypass, mode, active = text:match("^([%w_]+)=([%d.]+),([%d.]+),([01])$")
    assert(name, "bad setting " .. text)
    return {name = name, bypass = tonumber(bypass), mode = tonumber(mode), active = active == "1"}
end

return M
