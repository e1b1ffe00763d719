-- Builds the session that the host test renders: one stereo track that plays a
-- region from disk through Kestrum, as the first processor, into the master bus.
--
-- Headless Ardour cannot import audio, so the region comes from bouncing the
-- empty track: that leaves one silent float WAV per channel, which the driver
-- fills with the test signal once this session is closed.
--
-- arg: session folder, session name, plug-in name, plug-in type (VST3 or
-- LXVST or LV2), length in frames. Prints "SOURCE <channel> <path>" per source file.

local dir, name, pluginName, pluginType = arg[1], arg[2], arg[3], arg[4]
local frames = math.tointeger(tonumber(arg[5]))
assert(dir and name and pluginName and ARDOUR.PluginType[pluginType] and frames,
       "usage: buildsession.lua DIR NAME PLUGIN VST3|LXVST|LV2 FRAMES")

assert(create_session(dir, name, 48000), "cannot create the session")

-- Lossless sources, and no fades that would shape the signal's edges.
local cfg = Session:cfg()
cfg:set_native_file_header_format(ARDOUR.HeaderFormat.WAVE)
cfg:set_native_file_data_format(ARDOUR.SampleFormat.Float)
cfg:set_use_region_fades(false)

-- Keep the list: its front() is a reference into it.
local tracks = Session:new_audio_track(2, 2, nil, 1, "Signal", -1, ARDOUR.TrackMode.Normal, false)
assert(tracks:size() == 1, "cannot add the track")
local track = tracks:front()

local region = track:bounce_range(0, frames, ARDOUR.InterThreadInfo(), track:main_outs(), false,
                                  "signal")
assert(not region:isnil(), "cannot bounce the empty track")
local audioRegion = region:to_audioregion()
audioRegion:set_fade_in_active(false)
audioRegion:set_fade_out_active(false)

-- Ardour moves the session range only for edits it knows as region inserts.
Session:begin_reversible_command("insert region")
track:playlist():add_region(region, Temporal.timepos_t(0), 1, false, 0, 0, false)
Session:commit_reversible_command(nil)
assert(Session:current_start_sample() == 0 and Session:current_end_sample() == frames,
       string.format("session range is %d..%d", Session:current_start_sample(),
                     Session:current_end_sample()))

track:monitoring_control():set_value(ARDOUR.MonitorChoice.MonitorDisk,
                                     PBD.GroupControlDisposition.NoGroup)

-- Left to left and right to right, whatever auto-connection did.
local outputs = track:output()
local masterInputs = Session:master_out():input()
outputs:disconnect_all(nil)
for ch = 0, 1 do
    local to = masterInputs:audio(ch):name()
    outputs:audio(ch):connect(to)
    assert(outputs:audio(ch):connected_to(to), "cannot connect the track to " .. to)
end

local proc = ARDOUR.LuaAPI.new_plugin(Session, pluginName, ARDOUR.PluginType[pluginType], "")
assert(not proc:isnil(),
       "Ardour does not know the plug-in " .. pluginName .. " (" .. pluginType .. ")")
assert(track:add_processor_by_index(proc, 0, nil, true) == 0, "cannot insert the plug-in")

for ch = 0, audioRegion:n_channels() - 1 do
    print(string.format("SOURCE %d %s", ch, region:source(ch):to_filesource():path()))
end

Session:save_state("", false, false, false, false, false)
close_session()
